#include "quill/fs/known_folder.h"

#include <windows.h>

#include <shlobj.h>

#include "quill/exception.h"

namespace quill::fs {

bool try_known_folder(int csidl, std::string& folder) noexcept {
    folder.clear();
    char buffer[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer))) {
        return false;
    }
    buffer[MAX_PATH - 1] = '\0';
    try {
        folder = buffer;
    } catch (...) {
        return false;
    }
    return true;
}

std::string known_folder(int csidl) {
    std::string folder;
    if (!try_known_folder(csidl, folder)) {
        throw quill::exception("Error in ::SHGetFolderPath( 0, CSIDL=%d ....", csidl);
    }
    return folder + "\\";
}

}  // namespace quill::fs
