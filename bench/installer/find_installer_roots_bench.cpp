// Times the root store search of both cleaning variants against a bare recursive walk of the
// same synthetic tree of about 100,000 keys, in one run, and prints keys per second and the
// ratios to the bare walk.
//   find_installer_roots_bench [rounds [last-level fan-out]]
// Rounds default to 3 (the best round of each walk counts); the last level's fan-out to 12
// (smaller values give a smaller tree for a quick look).

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "installer/installer_stores.h"
#include "installer/native_store_locator.h"
#include "installer/wow64_registry_functions.h"
#include "installer/wow64_store_locator.h"
#include "quill/handle.h"
#include "quill/registry2/key.h"

namespace {

const wchar_t* const kBenchKey = L"Software\\KORVEBench\\InstallerRoots";
// Children per key on each level: 20 + 400 + 8,000 + 96,000 keys (plus a few Installer keys).
int kFanOut[] = {20, 20, 20, 12};
const int kLevels = sizeof(kFanOut) / sizeof(kFanOut[0]);

bool CreateKey(HKEY parent, const std::wstring& name, quill::unique_hkey& created) {
    return ::RegCreateKeyExW(parent, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                             KEY_ALL_ACCESS, nullptr, created.put(), nullptr) == ERROR_SUCCESS;
}

// Builds the tree below `parent`; every 1000th key of the last level but one also holds an
// Installer\UpgradeCodes pair, so that the search records a few root stores.
long BuildTree(HKEY parent, int level, long& serial) {
    long keys = 0;
    for (int i = 0; i < kFanOut[level]; ++i) {
        quill::unique_hkey child;
        wchar_t name[32];
        std::swprintf(name, 32, L"Key%02d_%ld", i, serial++);
        if (!CreateKey(parent, name, child)) return keys;
        ++keys;
        if (level + 1 < kLevels) {
            keys += BuildTree(child.get(), level + 1, serial);
        } else if (serial % 1000 == 0) {
            quill::unique_hkey codes;
            if (CreateKey(child.get(), L"Installer\\UpgradeCodes", codes)) keys += 2;
        }
    }
    return keys;
}

long BareWalk(HKEY key, REGSAM access) {
    long keys = 0;
    wchar_t name[260];
    for (DWORD index = 0;; ++index) {
        DWORD length = 260;
        if (::RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        HKEY child = nullptr;
        if (::RegOpenKeyExW(key, name, 0, access, &child) != ERROR_SUCCESS) continue;
        ++keys;
        keys += BareWalk(child, access);
        ::RegCloseKey(child);
    }
    return keys;
}

double Seconds(const std::function<void()>& walk) {
    const auto start = std::chrono::steady_clock::now();
    walk();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    if (argc > 2) kFanOut[kLevels - 1] = std::max(1, std::atoi(argv[2]));
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kBenchKey);
    quill::unique_hkey root;
    if (!CreateKey(HKEY_CURRENT_USER, kBenchKey, root)) {
        std::printf("cannot create HKCU\\%ls\n", kBenchKey);
        return 1;
    }
    long serial = 0;
    const double build_seconds = Seconds([&] { serial = BuildTree(root.get(), 0, serial); });
    const long tree_keys = serial;
    std::printf("tree: %ld keys below HKCU\\%ls, built in %.1f s\n", tree_keys, kBenchKey,
                build_seconds);

    const std::wstring path = std::wstring(L"HKCU\\") + kBenchKey;
    Wow64RegistryFunctions api;
    long bare_keys = 0;
    std::size_t native_roots = 0, wow64_roots = 0;
    const std::function<void()> walks[] = {
        [&] { bare_keys = BareWalk(root.get(), KEY_READ); },
        [&] { BareWalk(root.get(), KEY_READ | KEY_WOW64_64KEY); },
        [&] {
            InstallerStores stores;
            native::FindInstallerRoots(stores, path,
                                       quill::registry2::key::open_handle(root.get()));
            native_roots = stores.roots.size();
        },
        [&] {
            InstallerStores stores;
            wow64::FindInstallerRoots(api, stores, path, root.get());
            wow64_roots = stores.roots.size();
        },
    };
    const int kWalks = sizeof(walks) / sizeof(walks[0]);
    double best[kWalks] = {1e9, 1e9, 1e9, 1e9};
    // Each round starts with another walk, so that no walk always follows the same one.
    for (int round = 0; round < rounds; ++round) {
        for (int i = 0; i < kWalks; ++i) {
            const int walk = (round + i) % kWalks;
            best[walk] = std::min(best[walk], Seconds(walks[walk]));
        }
    }
    const double bare = best[0], bare64 = best[1], native_form = best[2], wow64_form = best[3];

    std::printf("bare walk:                 %ld keys, best of %d rounds %.3f s, %.0f keys/s\n",
                bare_keys, rounds, bare, bare_keys / bare);
    std::printf("bare walk, 64-bit view named: %.3f s, ratio %.2f\n", bare64, bare64 / bare);
    std::printf(
        "FindInstallerRoots native: %zu roots, %.3f s, %.0f keys/s, ratio %.2f (target 1.5)\n",
        native_roots, native_form, bare_keys / native_form, native_form / bare);
    std::printf(
        "FindInstallerRoots WOW64:  %zu roots, %.3f s, %.0f keys/s, ratio %.2f (target 1.2)\n",
        wow64_roots, wow64_form, bare_keys / wow64_form, wow64_form / bare);

    root.reset();
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kBenchKey);
    ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\KORVEBench");
    const bool met = native_form <= 1.5 * bare && wow64_form <= 1.2 * bare;
    std::printf("targets %s\n", met ? "met" : "missed");
    return 0;
}
