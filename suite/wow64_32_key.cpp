#include "suite/wow64_32_key.h"

#include <windows.h>

#include "quill/handle.h"

namespace korve::suite {

quill::registry2::key open_32bit_machine_key(const std::wstring& path) {
    quill::unique_hkey in_view;
    // A failed open leaves no handle; open_handle then reports the failure with its own error,
    // so a missing key and a refused one end the caller's work the same way.
    ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, in_view.put());
    // The new handle refers to the same key, so it stays in the 32-bit view.
    return quill::registry2::key::open_handle(in_view.get());
}

}  // namespace korve::suite
