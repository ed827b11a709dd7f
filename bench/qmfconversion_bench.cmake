# The recording-file conversion of one call with many recording tags, each with its chunk.
add_executable(qmfconversion_bench ${CMAKE_CURRENT_LIST_DIR}/qmfconversion_bench.cpp
  ${PROJECT_SOURCE_DIR}/tests/QMFPlayer/qmfplay/qmftestfile.cpp)
target_include_directories(qmfconversion_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests/QMFPlayer/qmfplay)
target_link_libraries(qmfconversion_bench PRIVATE qmfplaycore benchmark::benchmark)
