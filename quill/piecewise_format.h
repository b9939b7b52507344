#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

// Narrow printf formatting one conversion at a time, for formats with wide arguments: the C
// runtime's own %ls converts through its locale, not the ANSI code page, and either fails or
// cuts the text at the first character it cannot convert.
namespace quill::piecewise {

// True when `format` is well formed and holds a wide string or character conversion
// (%ls, %lc, %ws, %wc, %S, %C, with any flags, width and precision).
bool has_wide_argument(const char* format);

// The text of `format` and `args`, each wide string or character argument rendered in the
// ANSI code page with the code page's default character ("?") for what it lacks; every other
// conversion is left to the C runtime. Wide string arguments must be zero-terminated; a null
// one is rendered as "(null)". Throws quill::exception for a conversion it does not know
// (%n among them) and when the text would be longer than `limit` characters.
std::string vformat(const char* format, va_list args, std::size_t limit);

}  // namespace quill::piecewise
