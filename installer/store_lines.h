#pragma once

#include <string>

#include "installer/installer_stores.h"
#include "quill/log/channel.h"

// The locating phase's records with their lines, for both variants (each passes its channel).

// Appends the root store at `path` (owned as StoreOwner says) with its "Root: %i  %ls" line;
// past kMaxRootStores one line says so, the first time, and the store is left out.
void RecordRoot(quill::log::channel& log, InstallerStores& stores, const std::wstring& path);

// Appends root\Installer ("UserData: %i  %i  Installer"), or with `user_data_name` the
// location root\Installer\UserData\<name> ("UserData: %i  %i  Installer\UserData\%ls");
// past kMaxLocations one line says so, the first time, and the location is left out.
void RecordLocation(quill::log::channel& log, InstallerStores& stores, const InstallerStore& root,
                    const std::wstring& user_data_name = {});

// True when a key at `path` may be searched: past kMaxStorePathChars one line says so, the
// first time, and the key is not searched.
bool SearchablePath(quill::log::channel& log, InstallerStores& stores, const std::wstring& path);
