#include "tests/support/system_folders.h"

#include <shlobj.h>

#include <gtest/gtest.h>

namespace korve::test {

std::string system_folder(int csidl) {
    char path[MAX_PATH] = {};
    EXPECT_EQ(S_OK, ::SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))
        << "CSIDL " << csidl;
    return path;
}

std::string registry_folder(HKEY root, const char* path, const char* value) {
    char folder[MAX_PATH] = {};
    DWORD size = sizeof(folder);
    EXPECT_EQ(ERROR_SUCCESS,
              ::RegGetValueA(root, path, value, RRF_RT_REG_SZ, nullptr, folder, &size))
        << path << " " << value;
    return folder;
}

}  // namespace korve::test
