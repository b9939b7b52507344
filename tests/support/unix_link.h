#pragma once

#include <string>

namespace korve::test {

// True when the tests run under Wine (ntdll exports wine_get_version).
bool running_under_wine();

// Unix path of a Windows path as Wine maps it; empty outside Wine.
std::string unix_path_of(const std::string& windows_path);

// Makes `link` a Unix symbolic link to `target` with the host's "ln -s" (Wine cannot make
// directory links through Win32; such a link shows as a directory with
// FILE_ATTRIBUTE_REPARSE_POINT). Returns whether the link now exists.
bool make_unix_symlink(const std::string& target, const std::string& link);

// Removes such a link (not its target) with the host's "rm"; Win32 cannot remove it under Wine.
void remove_unix_link(const std::string& link);

}  // namespace korve::test
