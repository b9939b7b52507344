#pragma once

#include <cstddef>
#include <string>

namespace quill::internet {

// Throws one error class with the given message.
using raise_function = void (*)(const std::string& message);

template <typename Error>
[[noreturn]] void raise(const std::string& message) {
    throw Error(message);
}

// One row of a call's error table: a Windows Sockets code and the class it is reported as;
// a null `raise` means the code is ignored.
struct status_row {
    int code;
    raise_function raise;
};

// Reports the status `code` of the Windows Sockets call `call` (as in "recv") by its table.
// A listed code throws its class with "<call>() failed", or returns when the row ignores it;
// any other code throws through `raise_other` with "<call>() returned status 0x%.8x".
template <std::size_t N>
void raise_status(const char* call, int code, const status_row (&rows)[N],
                  raise_function raise_other);

// For calls whose table ignores no code: the same, but it never returns.
[[noreturn]] void raise_failure(const char* call, int code, const status_row* rows,
                                std::size_t count, raise_function raise_other);

template <std::size_t N>
[[noreturn]] void raise_failure(const char* call, int code, const status_row (&rows)[N],
                                raise_function raise_other) {
    raise_failure(call, code, rows, N, raise_other);
}

// The same over a pointer and a count.
void raise_status(const char* call, int code, const status_row* rows, std::size_t count,
                  raise_function raise_other);

template <std::size_t N>
void raise_status(const char* call, int code, const status_row (&rows)[N],
                  raise_function raise_other) {
    raise_status(call, code, rows, N, raise_other);
}

}  // namespace quill::internet
