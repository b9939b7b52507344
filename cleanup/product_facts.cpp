#include "cleanup/product_facts.h"

std::wstring& InstalledApplicationPath() {
    static std::wstring path;
    return path;
}

std::wstring& InstalledVersion() {
    static std::wstring version;
    return version;
}
