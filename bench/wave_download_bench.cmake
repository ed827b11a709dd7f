# Loopback download of a recording by a _Wave, against plain curl into memory.
add_executable(wave_download_bench ${CMAKE_CURRENT_LIST_DIR}/wave_download_bench.cpp)
target_link_libraries(wave_download_bench PRIVATE zemWaveLib zemtestnet PkgConfig::CURL benchmark::benchmark)
