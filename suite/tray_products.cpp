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

// File names of the folder's ".xml" matches in the order the search returns them, lowered.
std::vector<std::wstring> configuration_files(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    quill::unique_find search(::FindFirstFileW((folder + L"\\*.xml").c_str(), &found));
    if (!search) return names;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            names.push_back(lowered(found.cFileName));
        }
    } while (::FindNextFileW(search.get(), &found));
    return names;
}

bool holds(const std::vector<std::wstring>& names, const wchar_t* name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

int CountTrayProducts(const std::wstring& configuration_folder) noexcept {
    try {
        std::vector<std::wstring> names = configuration_files(configuration_folder);
        const auto tray_own = std::find(names.begin(), names.end(), L"pmtray.xml");
        if (tray_own != names.end()) names.erase(tray_own);
        const int count = static_cast<int>(names.size());
        // Two files of one product.
        if (holds(names, L"corvo.xml") && holds(names, L"tallo.xml")) return count - 1;
        return count;
    } catch (...) {
        return 0;  // like a failed search: only allocation can fail here
    }
}

}  // namespace korve::suite
