#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "installer/bounded_names.h"
#include "installer/wow64_registry_functions.h"

// Registry access of the WOW64 cleaning variant: every call goes through the looked-up
// functions and names the 64-bit view. Nothing here throws.

// Access for the locating phase and for the cleaning phases.
constexpr REGSAM kWow64ReadAccess = KEY_READ | KEY_WOW64_64KEY;
constexpr REGSAM kWow64ReadWriteAccess = KEY_READ | KEY_WRITE | KEY_WOW64_64KEY;
// The key file phase also clears the counters of a 32-bit install, in the 32-bit view.
constexpr REGSAM kWow64ReadWriteAccess32 = KEY_READ | KEY_WRITE | KEY_WOW64_32KEY;

// Size, in wide characters, of the name, data and sub-key path buffers.
constexpr DWORD kWow64BufferChars = 300;

// One open key, closed with the table's RegCloseKey when the object ends.
class Wow64Key {
  public:
    Wow64Key() = default;
    Wow64Key(Wow64Key&& other) noexcept;
    Wow64Key& operator=(Wow64Key&& other) noexcept;
    Wow64Key(const Wow64Key&) = delete;
    Wow64Key& operator=(const Wow64Key&) = delete;
    ~Wow64Key() { Close(); }

    // Opens `sub_path` below `parent` one component at a time, each with REG_OPTION_OPEN_LINK:
    // a component that is a registry link fails the open (its target is never reached; an
    // empty sub-path opens `parent` anew). Fails, without calling the registry, for a sub-path
    // of kWow64BufferChars or more characters (it would not fit the path buffer).
    static Wow64Key Open(const Wow64RegistryFunctions& api, HKEY parent,
                         const std::wstring& sub_path, REGSAM access);
    // Opens the one component `name` with REG_OPTION_OPEN_LINK and no further check: a link
    // comes back as itself, a key without sub-keys (for walks that only descend).
    static Wow64Key OpenAsIs(const Wow64RegistryFunctions& api, HKEY parent,
                             const std::wstring& name, REGSAM access);
    // A new handle to `parent` itself (no sub-key).
    static Wow64Key OpenRoot(const Wow64RegistryFunctions& api, HKEY parent, REGSAM access);

    bool valid() const noexcept { return handle_ != nullptr; }
    HKEY get() const noexcept { return handle_; }
    void Close() noexcept;

  private:
    static Wow64Key OpenName(const Wow64RegistryFunctions& api, HKEY parent,
                             const wchar_t* sub_path, REGSAM access, DWORD options);

    const Wow64RegistryFunctions* api_ = nullptr;
    HKEY handle_ = nullptr;
};

// True when `key` (opened as itself) is a registry link: it holds a REG_LINK value named
// SymbolicLinkValue. A key whose value cannot be asked for counts as one, so it is not used.
bool Wow64IsLink(HKEY key);

// True when the sub-key path fits the path buffer with its terminating zero.
bool FitsPathBuffer(const std::wstring& sub_path);

// The sub-key name at `index` (buffer of kWow64BufferChars); returns the RegEnumKeyExW result.
LONG Wow64SubKeyName(const Wow64RegistryFunctions& api, HKEY key, DWORD index, std::wstring& name);

// Direct sub-key names in registry order, read by index until the first non-zero result, at
// most `limit` of them.
std::vector<std::wstring> Wow64SubKeyNames(const Wow64RegistryFunctions& api, HKEY key,
                                           std::size_t limit = SIZE_MAX);

// Value names in registry order, read by index until the first non-zero result, at most
// `limit` of them (BoundedNames::cut tells whether the bound left some unread).
BoundedNames Wow64ValueNames(const Wow64RegistryFunctions& api, HKEY key, std::size_t limit);
