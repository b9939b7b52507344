#pragma once

#include <cstdarg>
#include <string>

namespace quill {

// printf-style formatting into a new string. The buffer starts at 1024 characters and
// doubles until the text fits. Throws quill::exception when the C runtime cannot produce
// the text at all or the text would exceed 16 Mi characters; it never keeps growing without
// end. In the narrow form a wide string or character argument (%ls, %lc, %S, %C) is rendered
// in the ANSI code page, "?" standing for each character the code page lacks: its characters
// never make the formatting fail.
std::string format(const char* format, ...);
std::wstring format_w(const wchar_t* format, ...);

// The same over an argument list (left untouched: the caller still ends it).
std::string vformat(const char* format, va_list args);
std::wstring vformat_w(const wchar_t* format, va_list args);

}  // namespace quill
