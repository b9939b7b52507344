#include "installer/packed_guid.h"

#include <cstddef>

namespace korve::installer {
namespace {

constexpr std::size_t kGuidDigits = 32;

wchar_t ToUpperAscii(wchar_t c) {
    return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

bool IsUpperHexDigit(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F');
}

// The hexadecimal digits of a text in upper case, in their order.
std::wstring HexDigitsOf(const std::wstring& text) {
    std::wstring digits;
    digits.reserve(kGuidDigits);
    for (const wchar_t c : text) {
        const wchar_t upper = ToUpperAscii(c);
        if (IsUpperHexDigit(upper)) digits.push_back(upper);
    }
    return digits;
}

}  // namespace

std::wstring PackGuid(const std::wstring& guid_text) {
    const std::wstring h = HexDigitsOf(guid_text);
    if (h.size() < kGuidDigits) return guid_text;

    std::wstring packed;
    packed.reserve(kGuidDigits);
    for (int i = 7; i >= 0; --i) packed.push_back(h[i]);
    for (int i = 11; i >= 8; --i) packed.push_back(h[i]);
    for (int i = 15; i >= 12; --i) packed.push_back(h[i]);
    for (std::size_t i = 16; i < kGuidDigits; i += 2) {
        packed.push_back(h[i + 1]);
        packed.push_back(h[i]);
    }
    return packed;
}

std::wstring UnpackGuid(const std::wstring& packed) {
    if (HexDigitsOf(packed).size() < kGuidDigits) return packed;

    // The reordering is its own inverse.
    std::wstring text = L"{" + PackGuid(packed) + L"}";
    for (const std::size_t position : {9u, 14u, 19u, 24u}) text.insert(position, 1, L'-');
    return text;
}

bool IsPackedGuid(const std::wstring& name) {
    if (name.size() != kGuidDigits) return false;
    for (const wchar_t c : name) {
        if (!IsUpperHexDigit(ToUpperAscii(c))) return false;
    }
    return true;
}

}  // namespace korve::installer
