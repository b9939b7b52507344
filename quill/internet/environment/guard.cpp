#include "quill/internet/environment/guard.h"

#include "quill/internet/environment/status.h"

namespace quill::internet::environment {

guard::guard() : data_{} {
    // WSAStartup reports its failure as its return value, not through WSAGetLastError.
    const int status = ::WSAStartup(MAKEWORD(1, 1), &data_);
    if (status != 0) raise_startup_status(status);
}

guard::~guard() {
    try {
        cleanup();
    } catch (...) {
        // A destructor must not throw; the sockets are gone either way.
    }
}

void cleanup() {
    if (::WSACleanup() == SOCKET_ERROR) raise_cleanup_status(::WSAGetLastError());
}

}  // namespace quill::internet::environment
