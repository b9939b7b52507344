#pragma once

#include <string>

namespace quill::unicode {

// A Windows code page identifier: 0 ANSI, 1 OEM, 65001 UTF-8; -1 converts one byte per
// UTF-16 unit (units 0 to 255 only).
using codepage = int;

constexpr codepage ansi_codepage = 0;
constexpr codepage oem_codepage = 1;
constexpr codepage utf8_codepage = 65001;
constexpr codepage byte_per_unit = -1;

// Wide to narrow text. Empty text converts to empty text in any code page.
// Throws (all with an empty message):
//   unmappable_character  a character the code page lacks (strict, or always with -1),
//                         or the system's ERROR_INVALID_PARAMETER;
//   invalid_codepage      a code page the system does not know;
//   out_of_memory         ERROR_INSUFFICIENT_BUFFER;  generic  any other system error.
std::string to_narrow(const std::wstring& text, codepage page, bool strict = true);

// Narrow to wide text. Invalid input throws unmappable_character except for code pages that
// take no conversion flags (UTF-8 among them), where the system substitutes instead.
// An unknown code page throws invalid_codepage; other failures as for to_narrow.
std::wstring to_wide(const std::string& text, codepage page);

// True for code pages that reject conversion flags (MB_ERR_INVALID_CHARS, used-default).
bool is_no_flags_codepage(codepage page) noexcept;

}  // namespace quill::unicode
