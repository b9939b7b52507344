#include "quill/internet/transport/base.h"

#include "quill/internet/transport/status.h"

namespace quill::internet::transport {

base::~base() {
    try {
        close();
    } catch (...) {
        // The handle is released either way; a destructor must not throw.
    }
}

void base::close() {
    if (!socket_) return;
    // The handle is given up before the result is known: a failed closesocket cannot be
    // retried meaningfully, and the object must never close it twice.
    const SOCKET handle = socket_.release();
    if (::closesocket(handle) == SOCKET_ERROR) raise_closesocket_status(::WSAGetLastError());
}

}  // namespace quill::internet::transport
