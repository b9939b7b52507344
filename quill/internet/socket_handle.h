#pragma once

#include <winsock2.h>

#include "quill/handle.h"

namespace quill {

namespace handle_traits {

struct socket {
    using pointer = SOCKET;
    static pointer invalid() noexcept { return INVALID_SOCKET; }
    static void close(pointer s) noexcept { ::closesocket(s); }
};

}  // namespace handle_traits

using unique_socket = unique_any<handle_traits::socket>;

}  // namespace quill
