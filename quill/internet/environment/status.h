#pragma once

namespace quill::internet::environment {

// Map a failed start-up or clean-up status to its error class and throw it:
// WSAStartup: 10091 subsystem_not_ready, 10092 version_not_supported, others generic.
// WSACleanup: 10050 subsystem_failed, 10093 ignored (returns), others generic.
void raise_startup_status(int code);
void raise_cleanup_status(int code);

}  // namespace quill::internet::environment
