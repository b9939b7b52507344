// Times the installed-path guard's whole set-up (collecting the protected folders and the brand
// folders) on the machine as it is and with a planted hive whose shell folder keys hold
// `values` values of 32,767 characters each (the longest a value of a path can be), and the
// normalising of one such path, printing the best and the median of the rounds side by side.
//   installed_path_guard_bench [rounds [values]]      (defaults: 5 rounds, 300 values)
// The planted hive is a volatile key below HKEY_USERS, removed at the end.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "cleanup/installed_path_guard.h"
#include "quill/fs/normal_path.h"
#include "quill/handle.h"

namespace {

const wchar_t* const kHive = L"KORVE-guard-bench";
const wchar_t* const kShellFolderKeys[] = {
    L"KORVE-guard-bench\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
    L"KORVE-guard-bench\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell "
    L"Folders",
};

// Many short-name components: the shape that made the old normaliser ask once per component.
std::wstring EndlessPath() {
    std::wstring path = L"C:";
    while (path.size() + 6 <= 32767) path += L"\\ab~1";
    return path;
}

bool PlantHive(int values) {
    const std::wstring endless = EndlessPath();
    for (const wchar_t* path : kShellFolderKeys) {
        quill::unique_hkey key;
        if (::RegCreateKeyExW(HKEY_USERS, path, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, key.put(), nullptr) != ERROR_SUCCESS) {
            return false;
        }
        for (int i = 0; i < values; ++i) {
            const std::wstring name = L"Planted " + std::to_wstring(i);
            if (::RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(endless.c_str()),
                                 static_cast<DWORD>((endless.size() + 1) * sizeof(wchar_t))) !=
                ERROR_SUCCESS) {
                return false;
            }
        }
    }
    return true;
}

struct Figures {
    double best = 0;
    double median = 0;
};

Figures Time(int rounds, const std::function<void()>& work) {
    std::vector<double> seconds;
    for (int round = 0; round < rounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        work();
        seconds.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(seconds.begin(), seconds.end());
    return {seconds.front(), seconds[seconds.size() / 2]};
}

void SetUpGuard() {
    const korve::cleanup::installed_path_guard guard(quill::fs::protected_folders::of_the_system());
    if (!guard.accepts("C:\\korve-bench\\Velocore"))
        std::printf("(guard refuses a plain folder)\n");
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const int values = argc > 2 ? std::max(1, std::atoi(argv[2])) : 300;
    ::RegDeleteTreeW(HKEY_USERS, kHive);

    const Figures plain = Time(rounds, SetUpGuard);
    if (!PlantHive(values)) {
        std::printf("cannot plant the hive below HKEY_USERS (%lu)\n", ::GetLastError());
        ::RegDeleteTreeW(HKEY_USERS, kHive);
        return 1;
    }
    const Figures planted = Time(rounds, SetUpGuard);
    const std::wstring endless = EndlessPath();
    const Figures normal = Time(rounds, [&] { quill::fs::normal_path(endless); });
    ::RegDeleteTreeW(HKEY_USERS, kHive);

    std::printf("installed-path guard set-up, %d rounds (best / median, ms)\n", rounds);
    std::printf("  %-44s %9.1f / %9.1f\n", "as the machine is", plain.best * 1e3,
                plain.median * 1e3);
    std::printf("  %-44s %9.1f / %9.1f\n",
                ("with 2 x " + std::to_string(values) + " planted 32,767-char values").c_str(),
                planted.best * 1e3, planted.median * 1e3);
    std::printf("  %-44s %9.1f / %9.1f\n", "normal_path of one such value", normal.best * 1e3,
                normal.median * 1e3);
    return 0;
}
