#pragma once

#include <string>

namespace korve::cleanup {

// Removal steps for the product's files, in the order the entry runs them. All log to the main
// channel, use narrow ANSI paths and let no error out; a folder path beyond the accepted
// limits (cleanup/folder_path.h) is never used and ends its block like any other error.

// Start Menu folders of all users and of the current user ("kestrana\Velocore" below the
// "Common Programs" and "Programs" shell folders, then "kestrana" when empty), and the
// "Velocore.lnk" shortcut on both desktops.
void RemoveShortcuts();

// The installed application path that the registry cleaning read (ProductFacts) or, when that
// is empty, "kestrana\Velocore" below the Program Files folder (then "kestrana" when empty).
void RemoveProgramFilesFolder(const std::wstring& installed_application_path);

// "kestrana\Velocore" and "kestrana\Velocore64" below the common application data folder,
// without clearing attributes (read-only files stay), then "kestrana" when empty.
void CleanApplicationDataFolder();

}  // namespace korve::cleanup
