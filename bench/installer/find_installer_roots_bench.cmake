# The installer root search (native and WOW64 forms) against a bare registry walk.
add_executable(find_installer_roots_bench ${CMAKE_CURRENT_LIST_DIR}/find_installer_roots_bench.cpp)
target_link_libraries(find_installer_roots_bench PRIVATE korve_installer)
korve_project_options(find_installer_roots_bench)
