#include "quill/system_version.h"

#include <windows.h>

namespace quill {

system_version current_system_version() noexcept {
    // RtlGetVersion is exported by every NT system and, unlike GetVersionEx, is neither
    // deprecated nor subject to manifest-based version lies.
    using rtl_get_version = LONG(WINAPI*)(OSVERSIONINFOW*);
    system_version result;
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    if (ntdll == nullptr) return result;
    const auto get_version = reinterpret_cast<rtl_get_version>(
        reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")));
    if (get_version == nullptr) return result;
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (get_version(&info) != 0) return result;
    result.major = info.dwMajorVersion;
    result.minor = info.dwMinorVersion;
    result.platform = info.dwPlatformId;
    return result;
}

bool is_windows_2000(const system_version& version) noexcept {
    return version.major == 5 && version.minor == 0 && version.platform == VER_PLATFORM_WIN32_NT;
}

}  // namespace quill
