add_executable(prompt_bench ${CMAKE_CURRENT_LIST_DIR}/prompt_bench.cpp)
target_link_libraries(prompt_bench PRIVATE KelFrame zemWaveLib benchmark::benchmark)
