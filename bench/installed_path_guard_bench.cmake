# The installed-path guard's set-up with and without a hive of planted shell folder values.
add_executable(installed_path_guard_bench ${CMAKE_CURRENT_LIST_DIR}/installed_path_guard_bench.cpp)
target_link_libraries(installed_path_guard_bench PRIVATE korve_cleanup)
korve_project_options(installed_path_guard_bench)
