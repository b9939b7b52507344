#pragma once

#include <string>

#include "installer/installer_stores.h"

// Whose installer data a store holds. Any user writes their own hive, so what a user's hive
// names may act only on that user's own data; the machine's stores name what acts everywhere.

// The user whose hive holds the root store at `root_path`, as a SID text, or "" for the
// machine: HKLM is the machine's; HKCU is the current user's; HKU\<SID> and HKU\<SID>_Classes
// are <SID>'s (HKU alone, writable by administrators only, the machine's); an HKCR key is the
// current user's when the user's own classes (HKCU\Software\Classes) hold its Installer key,
// since HKCR then shows the user's copy, and the machine's otherwise.
std::wstring StoreOwner(const std::wstring& root_path);

// The user whose data a location of `root` holds: a user hive's locations are all its user's;
// the machine's Installer\UserData\<SID> is <SID>'s (pass that name as `user_data_name`, or
// an empty name for the machine's Installer location itself, which is the machine's).
std::wstring LocationOwner(const InstallerStore& root, const std::wstring& user_data_name);

// The SID text of the user whose token the process runs with; "" if it cannot be read.
std::wstring CurrentUserSid();
