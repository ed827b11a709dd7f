add_executable(reaction_bench ${CMAKE_CURRENT_LIST_DIR}/reaction_bench.cpp)
target_link_libraries(reaction_bench PRIVATE zemsound zemcodec zemalsafile benchmark::benchmark)
