#include "quill/log/console.h"

#include <iostream>

#include "quill/unicode/conversion.h"

namespace quill::log {

std::string console::to_console_text(const std::string& utf8) {
    const std::wstring wide = unicode::to_wide(utf8, unicode::utf8_codepage);
    std::string oem;
    try {
        oem = unicode::to_narrow(wide, unicode::oem_codepage, true);
    } catch (const std::exception&) {
        oem.clear();
    }
    if (!oem.empty() || wide.empty()) return oem;

    // Some character has no OEM form: convert one by one and mark the missing ones.
    for (const wchar_t character : wide) {
        try {
            oem += unicode::to_narrow(std::wstring(1, character), unicode::oem_codepage, true);
        } catch (const std::exception&) {
            oem += '?';
        }
    }
    return oem;
}

void console::write(int /*level*/, const std::string& prefix, const std::string& text) {
    std::cout << prefix << to_console_text(text) << '\n';
    std::cout.flush();
}

}  // namespace quill::log
