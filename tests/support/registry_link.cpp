#include "tests/support/registry_link.h"

#include <gtest/gtest.h>

#include <vector>

#include "installer/hive_owner.h"
#include "quill/handle.h"

namespace korve::test {
namespace {

std::wstring kernel_name(HKEY root, const std::wstring& path) {
    if (root == HKEY_LOCAL_MACHINE) return L"\\Registry\\Machine\\" + path;
    return L"\\Registry\\User\\" + korve::installer::CurrentUserSid().value_or(L"") + L"\\" + path;
}

}  // namespace

registry_link::registry_link(HKEY root, std::wstring path, HKEY target_root,
                             const std::wstring& target_path)
    : root_(root), path_(std::move(path)) {
    quill::unique_hkey link;
    LONG result = ::RegCreateKeyExW(root_, path_.c_str(), 0, nullptr,
                                    REG_OPTION_VOLATILE | REG_OPTION_CREATE_LINK, KEY_ALL_ACCESS,
                                    nullptr, link.put(), nullptr);
    EXPECT_EQ(ERROR_SUCCESS, result) << "creating a registry link";
    if (result != ERROR_SUCCESS) return;
    const std::wstring target = kernel_name(target_root, target_path);
    result = ::RegSetValueExW(link.get(), L"SymbolicLinkValue", 0, REG_LINK,
                              reinterpret_cast<const BYTE*>(target.c_str()),
                              static_cast<DWORD>(target.size() * sizeof(wchar_t)));
    EXPECT_EQ(ERROR_SUCCESS, result) << "pointing a registry link";
}

registry_link::~registry_link() {
    quill::unique_hkey link;
    if (::RegOpenKeyExW(root_, path_.c_str(), REG_OPTION_OPEN_LINK, DELETE, link.put()) !=
        ERROR_SUCCESS) {
        return;
    }
    using nt_delete_key = LONG(NTAPI*)(HANDLE);
    const auto delete_key = reinterpret_cast<nt_delete_key>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtDeleteKey")));
    if (delete_key != nullptr) delete_key(link.get());
}

bool registry_link::exists() const {
    quill::unique_hkey link;
    return ::RegOpenKeyExW(root_, path_.c_str(), REG_OPTION_OPEN_LINK, KEY_READ, link.put()) ==
           ERROR_SUCCESS;
}

}  // namespace korve::test
