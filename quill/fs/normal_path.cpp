#include "quill/fs/normal_path.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cwchar>
#include <vector>

#include "quill/fs/open.h"

namespace quill::fs {
namespace {

constexpr std::size_t kLongestPath = 32767;  // the system's own limit, in characters

bool is_ascii_letter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

bool is_drive_absolute(const std::wstring& path) {
    return path.size() >= 3 && is_ascii_letter(path[0]) && path[1] == L':' && path[2] == L'\\';
}

bool starts_with(const std::wstring& text, const wchar_t* prefix) {
    return text.compare(0, std::wcslen(prefix), prefix) == 0;
}

// The system maps these names to devices in any folder and with any extension ("NUL.txt").
bool is_device_name(const std::wstring& component) {
    std::wstring base = component.substr(0, component.find(L'.'));
    while (!base.empty() && base.back() == L' ') base.pop_back();
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"}) {
        if (same_path(base, device)) return true;
    }
    return base.size() == 4 &&
           (same_path(base.substr(0, 3), L"COM") || same_path(base.substr(0, 3), L"LPT")) &&
           base[3] >= L'0' && base[3] <= L'9';
}

// "\\?\C:\x" and "\\?\UNC\server\share" are the literal forms of "C:\x" and "\\server\share";
// every other "\\?\" or "\\.\" path names a device or a volume, not a folder.
bool without_literal_prefix(std::wstring& path) {
    if (starts_with(path, L"\\\\?\\UNC\\")) {
        path.erase(2, 6);
    } else if (starts_with(path, L"\\\\?\\")) {
        path.erase(0, 4);
        if (!is_drive_absolute(path)) return false;
    } else if (starts_with(path, L"\\\\.\\")) {
        return false;
    }
    return true;
}

bool has_forbidden_character(const std::wstring& path) {
    for (std::size_t i = 0; i < path.size(); ++i) {
        const wchar_t c = path[i];
        // A colon past the drive names a stream; wildcards would be listed as patterns.
        if (c < L' ' || std::wcschr(L"*?\"<>|", c) != nullptr || (c == L':' && i != 1)) return true;
    }
    return false;
}

std::wstring full_path(const std::wstring& path) {
    std::vector<wchar_t> buffer(path.size() + MAX_PATH + 1);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD length = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()),
                                                buffer.data(), nullptr);
        if (length == 0 || length > kLongestPath) return {};
        if (length < buffer.size()) return std::wstring(buffer.data(), length);
        buffer.resize(length + 1);
    }
    return {};
}

// The root of a full path and where its components begin; false when it has none of the two
// forms.
bool split_root(const std::wstring& full, std::wstring& root, std::size_t& rest) {
    if (is_drive_absolute(full)) {
        root = full.substr(0, 3);
        rest = 3;
        return true;
    }
    if (full.size() < 3 || full[0] != L'\\' || full[1] != L'\\' || full[2] == L'.' ||
        full[2] == L'?') {
        return false;
    }
    const std::size_t server_end = full.find(L'\\', 2);
    if (server_end == std::wstring::npos || server_end == 2) return false;
    std::size_t share_end = full.find(L'\\', server_end + 1);
    if (share_end == std::wstring::npos) share_end = full.size();
    if (share_end == server_end + 1) return false;
    root = full.substr(0, share_end);
    rest = share_end + 1;
    return true;
}

std::wstring joined(const std::wstring& root, const std::vector<std::wstring>& components,
                    std::size_t begin, std::size_t end) {
    std::wstring path = root;
    for (std::size_t i = begin; i < end; ++i) {
        if (!path.empty() && path.back() != L'\\') path += L'\\';
        path += components[i];
    }
    return path;
}

bool long_form(const std::wstring& path, std::wstring& long_path) {
    std::vector<wchar_t> buffer(path.size() + MAX_PATH + 1);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD length =
            ::GetLongPathNameW(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0 || length > kLongestPath) return false;
        if (length < buffer.size()) {
            long_path.assign(buffer.data(), length);
            while (long_path.size() > 3 && long_path.back() == L'\\') long_path.pop_back();
            return true;
        }
        buffer.resize(length + 1);
    }
    return false;
}

// Only generated short names carry a "~" (giving a name another short name takes the restore
// privilege), so only a path with one is looked up. A missing component ends every longer
// prefix, so the longest prefix that exists is found by halving: a few look-ups, each linear,
// where one per component would be quadratic in a hostile path.
std::wstring with_long_names(const std::wstring& root,
                             const std::vector<std::wstring>& components) {
    std::vector<std::size_t> shorts;
    for (std::size_t i = 0; i < components.size(); ++i) {
        if (components[i].find(L'~') != std::wstring::npos) shorts.push_back(i);
    }
    const std::wstring whole = joined(root, components, 0, components.size());
    if (shorts.empty() || !on_fixed_drive(whole)) return whole;

    std::wstring expanded;
    std::size_t expanded_end = 0;  // components covered by `expanded`
    auto try_prefix = [&](std::size_t last) {
        std::wstring candidate;
        if (!long_form(joined(root, components, 0, last + 1), candidate)) return false;
        expanded = std::move(candidate);
        expanded_end = last + 1;
        return true;
    };
    if (!try_prefix(shorts.back())) {
        std::size_t low = 0;
        std::size_t high = shorts.size() - 1;  // exclusive: the last one failed
        while (low < high) {
            const std::size_t middle = low + (high - low) / 2;
            if (try_prefix(shorts[middle])) {
                low = middle + 1;
            } else {
                high = middle;
            }
        }
    }
    if (expanded_end == 0) return whole;
    std::vector<std::wstring> rest(components.begin() + expanded_end, components.end());
    return joined(expanded, rest, 0, rest.size());
}

std::wstring normal_path_of(std::wstring path) {
    if (path.empty() || path.size() > kLongestPath) return {};
    for (wchar_t& c : path) {
        if (c == L'/') c = L'\\';
    }
    if (!without_literal_prefix(path)) return {};
    // Checked on the full form: a relative "x:y" or "\??\C:" only shows its colon there.
    const std::wstring full = full_path(path);
    if (has_forbidden_character(full)) return {};
    std::wstring root;
    std::size_t start = 0;
    if (!split_root(full, root, start)) return {};  // a device name turned into "\\.\NUL"

    std::vector<std::wstring> components;
    while (start < full.size()) {
        std::size_t end = full.find(L'\\', start);
        if (end == std::wstring::npos) end = full.size();
        std::wstring component = full.substr(start, end - start);
        start = end + 1;
        if (component.empty()) continue;  // a doubled or final separator
        while (!component.empty() && (component.back() == L'.' || component.back() == L' ')) {
            component.pop_back();
        }
        if (component.empty() || is_device_name(component)) return {};
        components.push_back(std::move(component));
    }
    std::wstring normal = with_long_names(root, components);
    if (normal.size() > kLongestPath) return {};
    return normal;
}

}  // namespace

std::wstring normal_path(const std::wstring& path) noexcept {
    try {
        return normal_path_of(path);
    } catch (...) {
        return {};
    }
}

bool is_root(const std::wstring& normal) noexcept {
    if (normal.size() == 3 && is_drive_absolute(normal)) return true;
    return normal.size() > 2 && normal[0] == L'\\' && normal[1] == L'\\' &&
           std::count(normal.begin() + 2, normal.end(), L'\\') == 1;
}

bool same_path(const std::wstring& a, const std::wstring& b) noexcept {
    return a.size() == b.size() &&
           ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

bool is_or_holds(const std::wstring& outer, const std::wstring& inner) noexcept {
    if (outer.empty() || inner.size() < outer.size()) return false;
    if (::CompareStringOrdinal(outer.c_str(), static_cast<int>(outer.size()), inner.c_str(),
                               static_cast<int>(outer.size()), TRUE) != CSTR_EQUAL) {
        return false;
    }
    return inner.size() == outer.size() || outer.back() == L'\\' || inner[outer.size()] == L'\\';
}

bool on_fixed_drive(const std::wstring& normal) noexcept {
    if (!is_drive_absolute(normal)) return false;
    // Each question goes to the mount manager (milliseconds under Wine), and a drive letter
    // keeps its kind of media for a run, so each letter is asked about once.
    enum : int { unknown, fixed, other };
    static std::atomic<int> kinds[26] = {};
    std::atomic<int>& kind = kinds[(normal[0] | 0x20) - L'a'];
    if (kind.load() == unknown) {
        const wchar_t root[] = {normal[0], L':', L'\\', L'\0'};
        kind.store(::GetDriveTypeW(root) == DRIVE_FIXED ? fixed : other);
    }
    return kind.load() == fixed;
}

std::optional<std::wstring> real_path(const std::wstring& normal) noexcept {
    try {
        if (!on_fixed_drive(normal)) return std::nullopt;
        if (is_root(normal)) return normal;
        // Through the layer's own open of a trusted folder: the system resolves the links.
        std::optional<item> opened;
        if (!open_root(normal, opened)) return std::nullopt;
        if (!opened) return normal;
        const std::wstring& final = opened->final_path;
        const std::wstring real = normal_path(final);
        if (!on_fixed_drive(real)) return std::nullopt;
        return real;
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace quill::fs
