#include "driver/dll_search.h"

#include <windows.h>

namespace korve::driver {

void RestrictDllSearchToSystemFolder() noexcept {
#if _WIN32_WINNT >= 0x0602
    ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
#else
    // Windows 7 has the call only with its loader update (KB2533623), so it is looked up.
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    const auto set_default_dll_directories =
        kernel == nullptr
            ? nullptr
            : reinterpret_cast<SetDefaultDllDirectoriesFunction>(
                  reinterpret_cast<void*>(::GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (set_default_dll_directories != nullptr) {
        set_default_dll_directories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
#endif
    // Takes the current folder out of the older search order as well, for systems without
    // the call above.
    ::SetDllDirectoryW(L"");
}

}  // namespace korve::driver
