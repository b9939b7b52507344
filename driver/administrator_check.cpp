#include "driver/administrator_check.h"

#include <vector>

#include "channels/program_channels.h"
#include "quill/handle.h"

namespace korve::driver {
namespace {

const char* const kNotAdministrator = "You must be an Administrator to launch this application";

int CheckFailed(const char* format) {
    MainChannel().write(quill::log::level_note, format, static_cast<int>(::GetLastError()));
    return 0;
}

}  // namespace

bool HoldsEnabledGroup(const TOKEN_GROUPS& groups, PSID administrators) {
    for (DWORD i = 0; i < groups.GroupCount; ++i) {
        const SID_AND_ATTRIBUTES& group = groups.Groups[i];
        if (!::EqualSid(group.Sid, administrators)) continue;
        if ((group.Attributes & SE_GROUP_USE_FOR_DENY_ONLY) != 0) continue;
        if ((group.Attributes & SE_GROUP_ENABLED) != 0) return true;
    }
    return false;
}

int IsRunAsAdministrator() {
    quill::log::channel& log = MainChannel();
    log.write(quill::log::level_note, "**** Check if KORVERemover.exe runs as Administrator ****");
    log.write(quill::log::level_note, "");

    quill::unique_handle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) {
        return CheckFailed("Function IsRunAsAdministrator - OpenProcessToken Error %d");
    }

    DWORD size = 0;
    if (!::GetTokenInformation(token.get(), TokenGroups, nullptr, 0, &size) &&
        ::GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        return CheckFailed("Function IsRunAsAdministrator - GetTokenInformation Error %d");
    }
    // DWORD-sized elements keep TOKEN_GROUPS suitably aligned.
    std::vector<DWORD> buffer((size + sizeof(DWORD) - 1) / sizeof(DWORD) + 1, 0);
    if (!::GetTokenInformation(token.get(), TokenGroups, buffer.data(), size, &size)) {
        return CheckFailed("Function IsRunAsAdministrator - GetTokenInformation Error %d");
    }

    SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
    quill::unique_sid administrators;
    if (!::AllocateAndInitializeSid(&nt_authority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                    DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                    administrators.put())) {
        return CheckFailed("Function IsRunAsAdministrator - AllocateAndInitializeSid Error %d");
    }

    const auto& groups = *reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
    if (HoldsEnabledGroup(groups, administrators.get())) {
        log.write(quill::log::level_note, kSeparatorLine);
        log.write(quill::log::level_note, "");
        return 1;
    }
    log.write(quill::log::level_note, kNotAdministrator);
    ::MessageBoxA(nullptr, kNotAdministrator, "KORVERemover.exe", MB_OK);
    log.write(quill::log::level_note, kSeparatorLine);
    return -1;
}

}  // namespace korve::driver
