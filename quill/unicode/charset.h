#pragma once

#include <map>
#include <string>

#include "quill/unicode/conversion.h"

namespace quill::unicode {

// The code page of a MIME charset name (utf-8, ISO-8859-1, windows-1252, us-ascii, ...).
// The name is lower-cased and stripped of "-" and "_" (nothing else), then looked up in the
// charset table, then matched against the prefixes iso8859, latin, csisolatin (28590 + the
// number after the prefix) and windows, dos, ibm, cp (the number itself; no digits count as 0).
// Returns -1 (one byte per UTF-16 unit) for a name nothing covers. Never throws.
codepage codepage_from_charset(const std::string& name) noexcept;

// The charset table: normalised name to code page, filled once at program start-up.
const std::map<std::string, codepage>& charset_table() noexcept;

}  // namespace quill::unicode
