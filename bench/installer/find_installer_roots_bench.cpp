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

// User and kernel time of this process, without the registry server's work.
double ProcessCpuSeconds() {
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto seconds = [](const FILETIME& t) {
        return ((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

struct Timing {
    double wall = 1e9;
    double cpu = 1e9;
};

// Keeps the best wall-clock and the best process time of a walk over the rounds.
void Time(const std::function<void()>& walk, Timing& best) {
    const double cpu_start = ProcessCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    walk();
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    best.wall = std::min(best.wall, wall);
    best.cpu = std::min(best.cpu, ProcessCpuSeconds() - cpu_start);
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
    Timing best[kWalks];
    // Each round starts with another walk, so that no walk always follows the same one.
    for (int round = 0; round < rounds; ++round) {
        for (int i = 0; i < kWalks; ++i) {
            const int walk = (round + i) % kWalks;
            Time(walks[walk], best[walk]);
        }
    }
    const Timing& bare = best[0];
    const char* const names[kWalks] = {"bare walk", "bare walk, 64-bit view named",
                                       "FindInstallerRoots native", "FindInstallerRoots WOW64"};
    std::printf("%ld keys, %zu roots (native), %zu roots (WOW64), best of %d rounds\n", bare_keys,
                native_roots, wow64_roots, rounds);
    std::printf("%-30s %9s %11s %7s %12s %9s\n", "walk", "seconds", "keys/s", "ratio",
                "process cpu", "ratio");
    for (int walk = 0; walk < kWalks; ++walk) {
        std::printf("%-30s %9.3f %11.0f %7.2f %12.3f %9.2f\n", names[walk], best[walk].wall,
                    bare_keys / best[walk].wall, best[walk].wall / bare.wall, best[walk].cpu,
                    best[walk].cpu / bare.cpu);
    }
    const bool met = best[2].wall <= 1.5 * bare.wall && best[3].wall <= 1.2 * bare.wall;
    std::printf("targets (native 1.5, WOW64 1.2 times the bare walk): %s\n",
                met ? "met" : "missed");

    root.reset();
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kBenchKey);
    ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\KORVEBench");
    return 0;
}
