#include "cleanup/installed_path_guard.h"

#include <optional>

#include "quill/fs/normal_path.h"
#include "quill/unicode/conversion.h"

namespace korve::cleanup {
namespace {

const wchar_t* const kBrandFolder = L"\\Kestrana";

// "X:\" and more: the only spelling that names one place whatever the current folder is.
bool is_drive_absolute(const std::wstring& path) {
    if (path.size() < 3 || path[1] != L':' || (path[2] != L'\\' && path[2] != L'/')) return false;
    return (path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z');
}

}  // namespace

installed_path_guard::installed_path_guard(const quill::fs::protected_folders& system) noexcept {
    try {
        protected_ = system;
        for (const std::wstring& parent : quill::fs::program_folders()) {
            protected_.add(parent + kBrandFolder, quill::fs::protected_folders::reach::folder);
        }
        complete_ = protected_.complete();
    } catch (...) {
        complete_ = false;
    }
}

bool installed_path_guard::accepts(const std::string& folder) const noexcept {
    if (!complete_) return false;
    try {
        const std::wstring wide = quill::unicode::to_wide(folder, quill::unicode::ansi_codepage);
        if (!is_drive_absolute(wide)) return false;
        const std::wstring normal = quill::fs::normal_path(wide);
        if (normal.empty() || !quill::fs::on_fixed_drive(normal)) return false;
        const std::optional<std::wstring> real = quill::fs::real_path(normal);
        return real && !protected_.protects(normal) && !protected_.protects(*real);
    } catch (...) {
        return false;
    }
}

}  // namespace korve::cleanup
