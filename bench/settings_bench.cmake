# Settings store: load and save of a 10,000-picture file. Natively with
# Google Benchmark; on Windows a plain timing program that also times the
# key-by-key profile calls, run under Wine as a test (it takes seconds).
if(WIN32)
  add_executable(settings_bench_win32 ${CMAKE_CURRENT_LIST_DIR}/settings_bench_win32.cpp)
  target_link_libraries(settings_bench_win32 PRIVATE lumova_settings)
  add_test(NAME ${LUMOVA_TEST_PREFIX}settings_bench COMMAND settings_bench_win32)
  set_tests_properties(${LUMOVA_TEST_PREFIX}settings_bench PROPERTIES
    FIXTURES_REQUIRED wine
    ENVIRONMENT "LUMOVA_BUILD_DIR=${CMAKE_BINARY_DIR}"
    TIMEOUT 120)
elseif(benchmark_FOUND)
  add_executable(settings_bench ${CMAKE_CURRENT_LIST_DIR}/settings_bench.cpp)
  target_link_libraries(settings_bench PRIVATE lumova_settings benchmark::benchmark)
endif()
