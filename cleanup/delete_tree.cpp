#include "cleanup/delete_tree.h"

#include <windows.h>

#include <vector>

#include "quill/fs/protected_folders.h"
#include "quill/unicode/conversion.h"

namespace korve::cleanup {
namespace {

// Bounds for what a hostile or broken tree could make endless: the entries of one folder and
// the depth of the nesting. What lies beyond stays, and so does its folder.
constexpr std::size_t kMaxEntries = 1u << 20;
constexpr int kMaxDepth = 256;

constexpr ACCESS_MASK kFileAccess = FILE_WRITE_ATTRIBUTES | DELETE;
constexpr DWORD kClearedAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

struct entry {
    std::wstring name;
    DWORD attributes = 0;
};

// Through the handle, so the listing is of the folder that was checked, not of whatever its
// path names by now.
void list(const checked_item& folder, std::vector<entry>& entries) {
    std::vector<LONGLONG> buffer(64 * 1024 / sizeof(LONGLONG));  // aligned for the records
    FILE_INFO_BY_HANDLE_CLASS request = FileIdBothDirectoryRestartInfo;
    std::size_t seen = 0;
    while (seen < kMaxEntries) {
        if (!::GetFileInformationByHandleEx(folder.handle.get(), request, buffer.data(),
                                            static_cast<DWORD>(buffer.size() * sizeof(LONGLONG)))) {
            return;  // ERROR_NO_MORE_FILES at the end
        }
        request = FileIdBothDirectoryInfo;
        const auto* bytes = reinterpret_cast<const unsigned char*>(buffer.data());
        for (;;) {
            const auto* record = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(bytes);
            ++seen;
            std::wstring name(record->FileName, record->FileNameLength / sizeof(wchar_t));
            if (name != L"." && name != L"..") {
                entries.push_back({std::move(name), record->FileAttributes});
            }
            if (record->NextEntryOffset == 0) break;
            bytes += record->NextEntryOffset;
        }
    }
}

// Never on a file with more than one name: its attributes belong to the other names too.
void clear_attributes_of(const checked_item& item) {
    if ((item.attributes & kClearedAttributes) == 0) return;
    if ((item.attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && item.hard_links > 1) return;
    FILE_BASIC_INFO basic{};
    basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    ::SetFileInformationByHandle(item.handle.get(), FileBasicInfo, &basic, sizeof(basic));
}

bool delete_folder(const checked_item& folder, bool clear_attributes, int depth);

void delete_entry(const checked_item& folder, const entry& listed, bool clear_attributes,
                  int depth) {
    const bool listed_link = (listed.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    const bool listed_folder = (listed.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    checked_item child;
    if (!open_child(folder, listed.name, listed_folder ? item_kind::folder : item_kind::file,
                    listed_folder && !listed_link ? kFolderAccess : kFileAccess, child)) {
        return;  // gone, in use, or resolving elsewhere: nothing is done through it
    }
    if ((child.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        // The link itself; attribute changes would reach its target.
        mark_for_deletion(child);
        return;
    }
    // Listed as a link but opened as a plain item: what opened is the link's target.
    if (listed_link) return;
    if ((child.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        if (depth < kMaxDepth) delete_folder(child, clear_attributes, depth + 1);
        return;
    }
    if (clear_attributes) clear_attributes_of(child);
    mark_for_deletion(child);
}

// The folder goes when its handle closes, after its children's handles have closed.
bool delete_folder(const checked_item& folder, bool clear_attributes, int depth) {
    std::vector<entry> entries;
    list(folder, entries);
    for (const entry& listed : entries) delete_entry(folder, listed, clear_attributes, depth);
    // A read-only folder cannot be removed either.
    if (clear_attributes) clear_attributes_of(folder);
    return mark_for_deletion(folder);
}

std::wstring parent_of(const std::wstring& path) {
    std::wstring full = path;
    while (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/')) full.pop_back();
    const std::size_t last = full.find_last_of(L"\\/");
    if (last == std::wstring::npos) return std::wstring();
    return full.substr(0, last == 2 && full[1] == L':' ? 3 : last);
}

}  // namespace

bool delete_opened_tree(const checked_item& folder, bool clear_attributes) {
    return delete_folder(folder, clear_attributes, 0);
}

bool delete_tree(const std::string& folder, bool clear_attributes,
                 const std::string& known_folder) {
    // Checked once at the top: what lies inside a product folder cannot be a system folder
    // (links inside are never followed).
    if (quill::fs::is_protected(folder)) {
        ::SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    std::wstring wide;
    std::wstring wide_known;
    try {
        wide = quill::unicode::to_wide(folder, quill::unicode::ansi_codepage);
        if (known_folder.empty()) {
            // Made long first: a short name would not match the final path of what it names.
            wide = long_path(wide);
            wide_known = parent_of(wide);
        } else {
            wide_known = quill::unicode::to_wide(known_folder, quill::unicode::ansi_codepage);
        }
    } catch (const std::exception&) {
        ::SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return false;
    }
    DWORD error = ERROR_SUCCESS;
    {
        checked_item opened;
        if (!open_below(wide_known, wide, item_kind::folder, kFolderAccess, opened)) return false;
        if (delete_opened_tree(opened, clear_attributes)) return true;
        error = ::GetLastError();
    }
    ::SetLastError(error);
    return false;
}

}  // namespace korve::cleanup
