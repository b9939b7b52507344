#pragma once

#include <string>

namespace korve::installer {

// The Windows Installer names products, upgrade codes and components in the registry by a
// packed form of their GUID: 32 upper-case hexadecimal digits, reordered, without braces or
// dashes.

// Packs the first 32 hexadecimal digits of `guid_text` (any letter case; braces, dashes and
// other characters are ignored). A text with fewer than 32 digits is returned unchanged.
std::wstring PackGuid(const std::wstring& guid_text);

// The braced, dashed GUID text of a packed GUID, in upper case. A text with fewer than 32
// hexadecimal digits (a registry name that is no packed GUID) is returned unchanged.
std::wstring UnpackGuid(const std::wstring& packed);

// True for exactly 32 hexadecimal digits (either letter case) and nothing else.
bool IsPackedGuid(const std::wstring& name);

}  // namespace korve::installer
