#pragma once

#include <string>

// True when `name` with its ASCII letters lowered equals `lower` (which is lower case).
bool EqualsLowerCase(const std::wstring& name, const wchar_t* lower);
