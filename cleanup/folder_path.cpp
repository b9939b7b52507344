#include "cleanup/folder_path.h"

#include "cleanup/errors.h"
#include "quill/unicode/conversion.h"

namespace korve::cleanup {

std::string ansi_folder_value(const std::wstring& value) {
    std::string ansi = quill::unicode::to_narrow(value, quill::unicode::ansi_codepage, true);
    if (ansi.size() > value.size()) {
        throw path_too_long(quill::format("ANSI form of \"%s\" needs %i bytes for %i characters",
                                          ansi.c_str(), static_cast<int>(ansi.size()),
                                          static_cast<int>(value.size())));
    }
    return ansi;
}

std::string join_folder(const std::string& folder, const char* suffix, std::size_t limit) {
    std::string path = folder + suffix;
    if (!fits_folder_limit(path, limit)) {
        throw path_too_long(quill::format("\"%s\" is longer than %i characters", path.c_str(),
                                          static_cast<int>(limit)));
    }
    return path;
}

}  // namespace korve::cleanup
