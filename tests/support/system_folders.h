#pragma once

#include <windows.h>

#include <string>

namespace korve::test {

// The folder a CSIDL names in the prefix (ANSI, without a final backslash); fails the test
// when the shell does not know it.
std::string system_folder(int csidl);

// The REG_SZ folder value `value` of the key `path` below `root` (as "Shell Folders" and
// "CurrentVersion" hold them); fails the test when it cannot be read.
std::string registry_folder(HKEY root, const char* path, const char* value);

}  // namespace korve::test
