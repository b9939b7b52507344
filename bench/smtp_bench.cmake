# SMTP delivery of 1 MiB and 10 MiB messages to aiosmtpd: send_mail against Python's smtplib.
add_executable(smtp_bench
    ${CMAKE_CURRENT_LIST_DIR}/smtp_bench.cpp
    ${PROJECT_SOURCE_DIR}/tests/support/smtp_sink.cpp
    ${PROJECT_SOURCE_DIR}/tests/support/text_file.cpp)
target_include_directories(smtp_bench PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(smtp_bench PRIVATE quill korve_mail)
korve_project_options(smtp_bench)
target_compile_definitions(smtp_bench PRIVATE
    KORVE_SMTP_SINK_SCRIPT="${PROJECT_SOURCE_DIR}/tests/support/smtp_sink.py"
    KORVE_SMTPLIB_SCRIPT="${CMAKE_CURRENT_LIST_DIR}/smtplib_send.py"
    KORVE_BENCH_FOLDER="${CMAKE_CURRENT_BINARY_DIR}/smtp_bench")
