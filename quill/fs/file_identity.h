#pragma once

#include <windows.h>

namespace quill::fs {

// Which file an open handle refers to: the serial number of its volume and its file id. Two
// handles with equal identities reach the same file, whatever names or links led to them.
struct file_identity {
    unsigned long volume_serial = 0;
    unsigned long long file_id = 0;
};

inline bool operator==(const file_identity& a, const file_identity& b) noexcept {
    return a.volume_serial == b.volume_serial && a.file_id == b.file_id;
}
inline bool operator!=(const file_identity& a, const file_identity& b) noexcept {
    return !(a == b);
}

// The identity of the file open as `file`. Returns false, leaving `out` unchanged, when the
// system cannot tell it.
bool identity_of(HANDLE file, file_identity& out) noexcept;

}  // namespace quill::fs
