#include "cleanup/privilege_holder.h"

namespace korve::cleanup {

privilege_holder::privilege_holder(const std::string& privilege_name) : name_(privilege_name) {
    constexpr DWORD rights = TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY;
    if (!::OpenThreadToken(::GetCurrentThread(), rights, FALSE, token_.put()) &&
        !::OpenProcessToken(::GetCurrentProcess(), rights, token_.put())) {
        return;
    }
    requested_.PrivilegeCount = 1;
    requested_.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!::LookupPrivilegeValueA(nullptr, name_.c_str(), &requested_.Privileges[0].Luid)) return;
    DWORD previous_size = 0;
    // The previous state is only valid to restore when the adjustment itself went through.
    adjusted_ = ::AdjustTokenPrivileges(token_.get(), FALSE, &requested_, sizeof(previous_),
                                        &previous_, &previous_size) != FALSE;
}

privilege_holder::~privilege_holder() {
    if (adjusted_) ::AdjustTokenPrivileges(token_.get(), FALSE, &previous_, 0, nullptr, nullptr);
}

}  // namespace korve::cleanup
