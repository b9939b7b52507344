#include "installer/hive_owner.h"

#include <windows.h>
#include <sddl.h>

#include <memory>
#include <vector>

#include "quill/handle.h"

namespace {

const std::wstring kClassesSuffix = L"_Classes";

struct LocalFreeDeleter {
    void operator()(wchar_t* text) const noexcept { ::LocalFree(text); }
};

bool UserClassesHold(const std::wstring& sub_path) {
    // A plain look-up: a link there only makes the store count as the user's, the narrower
    // scope. The 64-bit view, as the WOW64 variant names it; the native one sees no other.
    quill::unique_hkey found;
    return ::RegOpenKeyExW(HKEY_CURRENT_USER, (L"Software\\Classes\\" + sub_path).c_str(), 0,
                           KEY_READ | KEY_WOW64_64KEY, found.put()) == ERROR_SUCCESS;
}

}  // namespace

std::wstring StoreOwner(const std::wstring& root_path) {
    const StorePathParts parts = SplitStorePath(root_path);
    const bool below_hive = parts.short_name != root_path;
    if (parts.short_name == L"HKLM") return L"";
    if (parts.short_name == L"HKCU") return CurrentUserSid();
    if (parts.short_name == L"HKCR") {
        const std::wstring installer =
            below_hive ? parts.sub_path + L"\\Installer" : std::wstring(L"Installer");
        return UserClassesHold(installer) ? CurrentUserSid() : L"";
    }
    if (!below_hive) return L"";
    std::wstring user = parts.sub_path.substr(0, parts.sub_path.find(L'\\'));
    if (user.size() > kClassesSuffix.size() &&
        user.compare(user.size() - kClassesSuffix.size(), kClassesSuffix.size(), kClassesSuffix) ==
            0) {
        user.resize(user.size() - kClassesSuffix.size());
    }
    return user;
}

std::wstring LocationOwner(const InstallerStore& root, const std::wstring& user_data_name) {
    return root.owner.empty() ? user_data_name : root.owner;
}

std::wstring CurrentUserSid() {
    quill::unique_handle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) return L"";
    DWORD size = 0;
    ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    if (size == 0) return L"";
    std::vector<BYTE> buffer(size);
    if (!::GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) return L"";
    LPWSTR text = nullptr;
    const auto* user = reinterpret_cast<const TOKEN_USER*>(buffer.data());
    if (!::ConvertSidToStringSidW(user->User.Sid, &text)) return L"";
    const std::unique_ptr<wchar_t, LocalFreeDeleter> owned(text);
    return text;
}
