add_executable(tone_bench ${CMAKE_CURRENT_LIST_DIR}/tone_bench.cpp)
target_link_libraries(tone_bench PRIVATE zemWaveLib benchmark::benchmark)
