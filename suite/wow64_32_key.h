#pragma once

#include <string>

#include "quill/registry2/key.h"

namespace korve::suite {

// Opens a key below HKEY_LOCAL_MACHINE in the 32-bit registry view (KEY_WOW64_32KEY), where the
// suite's 32-bit programs keep their keys; the registry wrapper itself names no view. The key
// is re-opened for reading and writing, or for reading only when writing is refused.
// Throws registry2::key_error "RegOpenKeyEx() failed: handle %i (%i)" when the key cannot be
// opened (a missing key among them).
quill::registry2::key open_32bit_machine_key(const std::wstring& path);

}  // namespace korve::suite
