#include "suite/tray_products.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <vector>

#include "quill/handle.h"

namespace korve::suite {
namespace {

std::wstring lowered(std::wstring name) {
    for (wchar_t& c : name) c = static_cast<wchar_t>(std::towlower(c));
    return name;
}

// Only these mean that there is nothing to list; any other failure (a folder held open
// without sharing, a refused or broken read) may hide another product's file.
bool NothingToList(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
           error == ERROR_NO_MORE_FILES;
}

// File names of the folder's ".xml" matches in the order the search returns them, lowered.
// Returns the error that stopped the search, 0 when it ran to its end.
DWORD configuration_files(const std::wstring& folder, std::vector<std::wstring>& names) {
    WIN32_FIND_DATAW found{};
    quill::unique_find search(::FindFirstFileW((folder + L"\\*.xml").c_str(), &found));
    if (!search) {
        const DWORD error = ::GetLastError();
        return NothingToList(error) ? 0 : error;
    }
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            names.push_back(lowered(found.cFileName));
        }
    } while (::FindNextFileW(search.get(), &found));
    const DWORD error = ::GetLastError();
    return error == ERROR_NO_MORE_FILES ? 0 : error;
}

bool holds(const std::vector<std::wstring>& names, const wchar_t* name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

TrayProducts CountTrayProducts(const std::wstring& ConfigurationFolder) noexcept {
    try {
        std::vector<std::wstring> names;
        const DWORD error = configuration_files(ConfigurationFolder, names);
        if (error != 0) return {0, error};
        const auto tray_own = std::find(names.begin(), names.end(), L"pmtray.xml");
        if (tray_own != names.end()) names.erase(tray_own);
        const int count = static_cast<int>(names.size());
        // Two files of one product.
        if (holds(names, L"corvo.xml") && holds(names, L"tallo.xml")) return {count - 1, 0};
        return {count, 0};
    } catch (...) {
        return {0, ERROR_NOT_ENOUGH_MEMORY};  // only allocation can fail here
    }
}

}  // namespace korve::suite
