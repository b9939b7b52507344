# MIME writer throughput: base64 body lines and conversion of text into utf-8.
add_executable(message_bench ${CMAKE_CURRENT_LIST_DIR}/message_bench.cpp)
target_link_libraries(message_bench PRIVATE quill)
korve_project_options(message_bench)
