#include "quill/fs/delete.h"

#include <atomic>
#include <optional>
#include <utility>

#include "quill/fs/open.h"
#include "quill/fs/protected_folders.h"

namespace quill::fs {
namespace {

// FileDispositionInfoEx and its flags (Windows 10 1809), which not every SDK names.
constexpr auto kDispositionInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);
constexpr DWORD kDispositionDelete = 0x1;
constexpr DWORD kDispositionPosixSemantics = 0x2;
constexpr DWORD kDispositionIgnoreReadOnly = 0x10;
struct disposition_info_ex {
    DWORD flags;
};

constexpr DWORD kClearedAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// Once refused, the class is refused for the whole run (an older system, or Wine).
std::atomic<bool> posix_refused{false};

bool may_change_attributes(const item& doomed, attribute_policy policy) {
    return policy == attribute_policy::clear && !doomed.is_link() &&
           (doomed.is_folder() || doomed.hard_links <= 1);
}

// A link's attributes are its own, but changing them through it would reach its target.
void clear_attributes(const item& doomed) {
    if ((doomed.attributes & kClearedAttributes) == 0) return;
    FILE_BASIC_INFO basic{};
    basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    ::SetFileInformationByHandle(doomed.handle.get(), FileBasicInfo, &basic, sizeof(basic));
}

bool class_refused(DWORD error) {
    return error == ERROR_INVALID_PARAMETER || error == ERROR_INVALID_FUNCTION ||
           error == ERROR_NOT_SUPPORTED;
}

}  // namespace

bool mark_for_deletion(const item& doomed, attribute_policy policy) {
    const bool change_attributes = may_change_attributes(doomed, policy);
    if (!posix_refused.load()) {
        disposition_info_ex disposition{kDispositionDelete | kDispositionPosixSemantics};
        if (change_attributes) disposition.flags |= kDispositionIgnoreReadOnly;
        if (::SetFileInformationByHandle(doomed.handle.get(), kDispositionInfoEx, &disposition,
                                         sizeof(disposition))) {
            return true;
        }
        if (!class_refused(::GetLastError())) return false;
        posix_refused.store(true);
    }
    if (change_attributes) clear_attributes(doomed);
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    return ::SetFileInformationByHandle(doomed.handle.get(), FileDispositionInfo, &disposition,
                                        sizeof(disposition)) != FALSE;
}

bool delete_item(item&& doomed, attribute_policy policy) {
    DWORD error = ERROR_SUCCESS;
    {
        const item closing = std::move(doomed);
        if (mark_for_deletion(closing, policy)) return true;
        error = ::GetLastError();
    }
    // Kept across the handle's closing.
    ::SetLastError(error);
    return false;
}

bool delete_below(const std::wstring& trusted_root, const std::wstring& path, item_kind kind,
                  attribute_policy policy) {
    if (is_protected(path)) {
        ::SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    const ACCESS_MASK access =
        DELETE | (policy == attribute_policy::clear ? FILE_WRITE_ATTRIBUTES : 0);
    std::optional<item> doomed;
    if (!open_below(trusted_root, path, kind, access, doomed)) return false;
    if (!doomed) return false;  // the last error says what is missing
    return delete_item(std::move(*doomed), policy);
}

}  // namespace quill::fs
