// Times the root store search of both cleaning variants against a bare recursive walk of the
// same synthetic tree of about 100,000 keys, in one run, and prints keys per second and the
// ratios to the bare walk, with the spread of the rounds.
//   find_installer_roots_bench [rounds [last-level fan-out]]
// Rounds default to 5 (the best round of each walk counts; the median and the slowest are
// shown beside it); the last level's fan-out to 12 (smaller values give a smaller tree for a
// quick look). The tree is volatile: the registry server never saves it to disk, so no save
// of a 100,000-key hive falls into a walk.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "installer/installer_stores.h"
#include "installer/store_locator.h"
#include "installer/variant_policy.h"
#include "quill/handle.h"
#include "quill/registry2/functions.h"
#include "quill/registry2/key.h"

namespace {

const wchar_t* const kBenchKey = L"Software\\KORVEBench\\InstallerRoots";
// Children per key on each level: 20 + 400 + 8,000 + 96,000 keys (plus a few Installer keys).
int kFanOut[] = {20, 20, 20, 12};
const int kLevels = sizeof(kFanOut) / sizeof(kFanOut[0]);

bool CreateKey(HKEY parent, const std::wstring& name, quill::unique_hkey& created) {
    return ::RegCreateKeyExW(parent, name.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                             nullptr, created.put(), nullptr) == ERROR_SUCCESS;
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

// The thinnest walk the registry layer allows: names by index, each child opened for reading.
long BareWalk(const quill::registry2::key& parent) {
    long keys = 0;
    std::wstring name;
    for (DWORD index = 0; parent.try_sub_key_at(index, name) == ERROR_SUCCESS; ++index) {
        quill::registry2::key child;
        if (quill::registry2::key::try_open(parent, name, child, quill::registry2::access::read) !=
            ERROR_SUCCESS) {
            continue;
        }
        ++keys;
        keys += BareWalk(child);
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

// Wall-clock and process time of every round of one walk.
struct Timing {
    std::vector<double> wall;
    std::vector<double> cpu;
};

void Time(const std::function<void()>& walk, Timing& timing) {
    const double cpu_start = ProcessCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    walk();
    timing.wall.push_back(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    timing.cpu.push_back(ProcessCpuSeconds() - cpu_start);
}

// The k-th smallest of the rounds (0 the best, size - 1 the slowest).
double Ranked(std::vector<double> values, std::size_t k) {
    std::sort(values.begin(), values.end());
    return values[k];
}
double Best(const std::vector<double>& values) {
    return Ranked(values, 0);
}
double Median(const std::vector<double>& values) {
    return Ranked(values, values.size() / 2);
}
double Slowest(const std::vector<double>& values) {
    return Ranked(values, values.size() - 1);
}

double Seconds(const std::function<void()>& walk) {
    const auto start = std::chrono::steady_clock::now();
    walk();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    if (argc > 2) kFanOut[kLevels - 1] = std::max(1, std::atoi(argv[2]));
    ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\KORVEBench");
    quill::unique_hkey root;
    // A volatile key may only have volatile children, so the tree is volatile from its top.
    quill::unique_hkey top;
    if (!CreateKey(HKEY_CURRENT_USER, L"Software\\KORVEBench", top) ||
        !CreateKey(top.get(), L"InstallerRoots", root)) {
        std::printf("cannot create HKCU\\%ls\n", kBenchKey);
        return 1;
    }
    long serial = 0;
    const double build_seconds = Seconds([&] { serial = BuildTree(root.get(), 0, serial); });
    const long tree_keys = serial;
    std::printf("tree: %ld keys below HKCU\\%ls, built in %.1f s\n", tree_keys, kBenchKey,
                build_seconds);

    const std::wstring path = std::wstring(L"HKCU\\") + kBenchKey;
    using korve::installer::Deletions;
    quill::registry2::looked_up_functions api;
    const korve::installer::VariantPolicy policies[] = {
        korve::installer::NativePolicy(Deletions::disabled),
        korve::installer::Wow64Policy(Deletions::disabled, api)};
    // The roots found by the search as each variant runs it.
    const auto search = [&](const korve::installer::VariantPolicy& policy) {
        korve::installer::InstallerStores stores;
        quill::registry2::key start;
        quill::registry2::key::try_open_handle(root.get(), start, policy.locating_access,
                                               policy.view, policy.functions());
        korve::installer::FindInstallerRoots(stores, path, start, policy);
        return stores.roots.size();
    };
    long bare_keys = 0;
    std::size_t native_roots = 0, wow64_roots = 0;
    const std::function<void()> walks[] = {
        [&] { bare_keys = BareWalk(quill::registry2::key::open_handle(root.get())); },
        [&] {
            BareWalk(quill::registry2::key::open_handle(root.get(), quill::registry2::view::bit64));
        },
        [&] { native_roots = search(policies[0]); },
        [&] { wow64_roots = search(policies[1]); },
    };
    const int kWalks = sizeof(walks) / sizeof(walks[0]);
    Timing timings[kWalks];
    // Every round runs each walk once, interleaved; each round starts with another walk, so
    // that no walk always follows the same one.
    for (int round = 0; round < rounds; ++round) {
        for (int i = 0; i < kWalks; ++i) {
            const int walk = (round + i) % kWalks;
            Time(walks[walk], timings[walk]);
        }
    }
    const double bare_wall = Best(timings[0].wall);
    const double bare_cpu = Best(timings[0].cpu);
    const char* const names[kWalks] = {"bare walk", "bare walk, 64-bit view named",
                                       "FindInstallerRoots native", "FindInstallerRoots WOW64"};
    std::printf("%s build, %ld keys, %zu roots (native), %zu roots (WOW64), %d rounds\n",
                sizeof(void*) == 8 ? "x64" : "x86", bare_keys, native_roots, wow64_roots, rounds);
    std::printf("%-30s %8s %8s %8s %10s %7s %12s %9s\n", "walk", "best s", "median", "slowest",
                "keys/s", "ratio", "process cpu", "ratio");
    for (int walk = 0; walk < kWalks; ++walk) {
        const Timing& t = timings[walk];
        std::printf("%-30s %8.3f %8.3f %8.3f %10.0f %7.2f %12.3f %9.2f\n", names[walk],
                    Best(t.wall), Median(t.wall), Slowest(t.wall), bare_keys / Best(t.wall),
                    Best(t.wall) / bare_wall, Best(t.cpu), Best(t.cpu) / bare_cpu);
    }
    std::printf("(ratios: best round against the bare walk's best round)\n");
    const bool met =
        Best(timings[2].wall) <= 1.5 * bare_wall && Best(timings[3].wall) <= 1.2 * bare_wall;
    std::printf("targets (native 1.5, WOW64 1.2 times the bare walk): %s\n",
                met ? "met" : "missed");

    root.reset();
    top.reset();
    ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\KORVEBench");
    return 0;
}
