#include "installer/name_case.h"

#include <cwchar>

bool EqualsLowerCase(const std::wstring& name, const wchar_t* lower) {
    if (name.size() != std::wcslen(lower)) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        wchar_t c = name[i];
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
        if (c != lower[i]) return false;
    }
    return true;
}
