#pragma once

#include <windows.h>

namespace korve::driver {

// True when `groups` holds `administrators` as an enabled group. A deny-only entry (the
// filtered token of an administrator who did not elevate) is not membership.
bool HoldsEnabledGroup(const TOKEN_GROUPS& groups, PSID administrators);

// 1 when the process token holds the Administrators group enabled, -1 when it does not (after
// telling the user in a message box), 0 when the check itself failed. Logs to the main channel.
int IsRunAsAdministrator();

}  // namespace korve::driver
