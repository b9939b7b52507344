#include "quill/internet/address/resolver.h"

#include <string>

#include "quill/handle.h"

namespace quill::internet::address {

namespace {

std::wstring system_directory_path(const wchar_t* library_name) {
    wchar_t directory[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryW(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::wstring();
    return std::wstring(directory, length) + L"\\" + library_name;
}

template <typename Function>
Function exported(HMODULE module, const char* name) {
    // GetProcAddress returns a generic FARPROC; the exported call has the signature given by
    // Windows Sockets, so the conversion goes through a void pointer.
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

resolver choose_resolver() {
    resolver chosen;
    if (load_resolver(L"ws2_32.dll", chosen)) return chosen;
    if (load_resolver(L"wship6.dll", chosen)) return chosen;
    return fallback_resolver();
}

}  // namespace

bool load_resolver(const wchar_t* library_name, resolver& out) {
    const std::wstring path = system_directory_path(library_name);
    if (path.empty()) return false;
    unique_module module(::LoadLibraryW(path.c_str()));
    if (!module) return false;
    resolver found;
    found.getaddrinfo = exported<getaddrinfo_function>(module.get(), "getaddrinfo");
    found.getnameinfo = exported<getnameinfo_function>(module.get(), "getnameinfo");
    found.freeaddrinfo = exported<freeaddrinfo_function>(module.get(), "freeaddrinfo");
    if (found.getaddrinfo == nullptr || found.getnameinfo == nullptr ||
        found.freeaddrinfo == nullptr) {
        return false;
    }
    // The functions are used until the process ends, so the library must stay loaded.
    module.release();
    out = found;
    return true;
}

const resolver& system_resolver() {
    static const resolver chosen = choose_resolver();
    return chosen;
}

}  // namespace quill::internet::address
