#pragma once

#include <windows.h>

#include <string>

namespace quill::fs {

// The normalised DOS form ("\\?\C:\...") of what `handle` is open on, links resolved. False,
// with the thread's last error set and `path` unchanged, when the system cannot tell.
bool final_path(HANDLE handle, std::wstring& path);

}  // namespace quill::fs
