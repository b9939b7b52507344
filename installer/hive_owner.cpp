#include "installer/hive_owner.h"

#include <windows.h>
#include <sddl.h>

#include <memory>
#include <vector>

#include "installer/installer_stores.h"
#include "quill/handle.h"
#include "quill/registry2/key.h"

namespace korve::installer {
namespace {

const std::wstring kClassesSuffix = L"_Classes";

struct LocalFreeDeleter {
    void operator()(wchar_t* text) const noexcept { ::LocalFree(text); }
};

bool UserClassesHold(const std::wstring& sub_path) {
    // A plain look-up: a link there only makes the store count as the user's, the narrower
    // scope. The 64-bit view, as the WOW64 variant names it; the native one sees no other.
    using quill::registry2::key;
    key found;
    return key::try_open(HKEY_CURRENT_USER, L"Software\\Classes\\" + sub_path, found,
                         quill::registry2::access::read,
                         quill::registry2::view::bit64) == ERROR_SUCCESS;
}

}  // namespace

HiveOwner HiveOwner::User(std::optional<std::wstring> sid) {
    HiveOwner owner;
    owner.kind_ = sid ? kind::user : kind::unreadable_user;
    if (sid) owner.sid_ = std::move(*sid);
    return owner;
}

HiveOwner HiveOwner::CurrentUser() {
    return User(CurrentUserSid());
}

HiveOwner StoreOwner(const std::wstring& root_path) {
    const StorePathParts parts = SplitStorePath(root_path);
    const bool below_hive = parts.short_name != root_path;
    if (parts.short_name == L"HKLM") return HiveOwner::Machine();
    if (parts.short_name == L"HKCU") return HiveOwner::CurrentUser();
    if (parts.short_name == L"HKCR") {
        const std::wstring installer =
            below_hive ? parts.sub_path + L"\\Installer" : std::wstring(L"Installer");
        return UserClassesHold(installer) ? HiveOwner::CurrentUser() : HiveOwner::Machine();
    }
    if (!below_hive) return HiveOwner::Machine();
    std::wstring user = parts.sub_path.substr(0, parts.sub_path.find(L'\\'));
    if (user.size() > kClassesSuffix.size() &&
        user.compare(user.size() - kClassesSuffix.size(), kClassesSuffix.size(), kClassesSuffix) ==
            0) {
        user.resize(user.size() - kClassesSuffix.size());
    }
    return HiveOwner::User(std::move(user));
}

std::optional<std::wstring> CurrentUserSid() {
    quill::unique_handle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) return std::nullopt;
    DWORD size = 0;
    ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    if (size == 0) return std::nullopt;
    std::vector<BYTE> buffer(size);
    if (!::GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size))
        return std::nullopt;
    LPWSTR text = nullptr;
    const auto* user = reinterpret_cast<const TOKEN_USER*>(buffer.data());
    if (!::ConvertSidToStringSidW(user->User.Sid, &text)) return std::nullopt;
    const std::unique_ptr<wchar_t, LocalFreeDeleter> owned(text);
    return std::wstring(text);
}

}  // namespace korve::installer
