#include "quill/fs/delete_tree.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "quill/fs/open.h"
#include "quill/fs/protected_folders.h"

namespace quill::fs {
namespace {

// Bounds for what a hostile or broken tree could make endless: the entries of one folder and
// the depth of the nesting. What lies beyond stays, and so does its folder.
constexpr std::size_t kMaxEntries = 1u << 20;
constexpr int kMaxDepth = 256;
// A scanner or indexer usually lets go of a file within moments; the whole tree waits for such
// files at most kPendingRetries * kPendingPause.
constexpr int kPendingRetries = 20;
constexpr DWORD kPendingPause = 50;

constexpr ACCESS_MASK kFileAccess = FILE_WRITE_ATTRIBUTES | DELETE;
constexpr ACCESS_MASK kListAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE;

struct entry {
    std::wstring name;
    DWORD attributes = 0;
    DWORD reparse_tag = 0;
};

struct tree_walk {
    attribute_policy policy;
    int retries_left = kPendingRetries;
};

// Through the handle, so the listing is of the folder that was checked, not of whatever its
// path names by now.
std::vector<entry> list(const item& folder) {
    std::vector<entry> entries;
    std::vector<LONGLONG> buffer(64 * 1024 / sizeof(LONGLONG));  // aligned for the records
    FILE_INFO_BY_HANDLE_CLASS request = FileIdBothDirectoryRestartInfo;
    std::size_t seen = 0;
    while (seen < kMaxEntries) {
        if (!::GetFileInformationByHandleEx(folder.handle.get(), request, buffer.data(),
                                            static_cast<DWORD>(buffer.size() * sizeof(LONGLONG)))) {
            break;  // ERROR_NO_MORE_FILES at the end
        }
        request = FileIdBothDirectoryInfo;
        const auto* bytes = reinterpret_cast<const unsigned char*>(buffer.data());
        for (;;) {
            const auto* record = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(bytes);
            ++seen;
            std::wstring name(record->FileName, record->FileNameLength / sizeof(wchar_t));
            if (name != L"." && name != L"..") {
                // For a reparse point the listing gives its tag in place of the EA size.
                const DWORD tag = (record->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0
                                      ? record->EaSize
                                      : 0;
                entries.push_back({std::move(name), record->FileAttributes, tag});
            }
            if (record->NextEntryOffset == 0) break;
            bytes += record->NextEntryOffset;
        }
    }
    return entries;
}

bool refuses_deletion(DWORD error) {
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
}

bool delete_folder(item&& folder, tree_walk& walk, int depth);
void delete_contents(const item& folder, tree_walk& walk, int depth,
                     std::vector<std::wstring>& deleted);

// True when the entry was deleted (its name may still wait for other handles to close).
bool delete_entry(const item& folder, const entry& listed, tree_walk& walk, int depth) {
    const bool listed_link = is_link(listed.attributes, listed.reparse_tag);
    const bool listed_folder = (listed.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const bool descend = listed_folder && !listed_link;
    std::optional<item> child;
    if (!open_link_no_reparse(folder, listed.name,
                              listed_folder ? item_kind::folder : item_kind::file,
                              descend ? kTreeAccess : kFileAccess, child)) {
        if (descend && refuses_deletion(::GetLastError()) && depth < kMaxDepth &&
            open_dir(folder, listed.name, kListAccess, child) && child && !child->is_link()) {
            // It stays, but what it holds is the product's like the rest.
            std::vector<std::wstring> ignored;
            delete_contents(*child, walk, depth + 1, ignored);
        }
        return false;  // gone, in use, or resolving elsewhere: nothing is done through it
    }
    if (!child) return false;
    if (child->is_link()) return delete_item(std::move(*child), attribute_policy::keep);
    // Listed as a link but opened as a plain item: what opened is the link's target.
    if (listed_link) return false;
    if (child->is_folder()) {
        return depth < kMaxDepth && delete_folder(std::move(*child), walk, depth + 1);
    }
    return delete_item(std::move(*child), walk.policy);
}

void delete_contents(const item& folder, tree_walk& walk, int depth,
                     std::vector<std::wstring>& deleted) {
    for (const entry& listed : list(folder)) {
        if (delete_entry(folder, listed, walk, depth)) deleted.push_back(listed.name);
    }
}

// True when what is left in the folder are only names this walk deleted itself, which wait
// for someone else's handle to close.
bool only_pending_left(const item& folder, const std::vector<std::wstring>& deleted) {
    const std::vector<entry> left = list(folder);
    if (left.empty()) return false;
    for (const entry& listed : left) {
        if (std::find(deleted.begin(), deleted.end(), listed.name) == deleted.end()) return false;
    }
    return true;
}

// The folder goes when its handle closes, after its children's handles have closed. It is not
// marked while children wait for other handles: Windows refuses that, and Wine accepts it only
// to keep the folder when its handle closes.
bool delete_open_folder(const item& folder, tree_walk& walk, int depth) {
    std::vector<std::wstring> deleted;
    delete_contents(folder, walk, depth, deleted);
    while (!deleted.empty() && only_pending_left(folder, deleted)) {
        if (walk.retries_left <= 0) {
            ::SetLastError(ERROR_DIR_NOT_EMPTY);
            return false;
        }
        --walk.retries_left;
        ::Sleep(kPendingPause);
    }
    return mark_for_deletion(folder, walk.policy);
}

bool delete_folder(item&& folder, tree_walk& walk, int depth) {
    DWORD error = ERROR_SUCCESS;
    {
        const item closing = std::move(folder);
        if (delete_open_folder(closing, walk, depth)) return true;
        error = ::GetLastError();
    }
    ::SetLastError(error);
    return false;
}

}  // namespace

bool delete_opened_tree(item&& folder, attribute_policy policy) {
    tree_walk walk{policy};
    return delete_folder(std::move(folder), walk, 0);
}

bool delete_tree(const std::wstring& trusted_root, const std::wstring& folder,
                 attribute_policy policy) {
    // Checked once at the top: what lies inside a product folder cannot be a protected one
    // (links inside are never followed).
    if (is_protected(folder)) {
        ::SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    std::optional<item> opened;
    if (!open_below(trusted_root, folder, item_kind::folder, kTreeAccess, opened)) {
        const DWORD refusal = ::GetLastError();
        if (!refuses_deletion(refusal)) return false;
        // The folder itself cannot go; its contents still can.
        if (open_below(trusted_root, folder, item_kind::folder, kListAccess, opened) && opened) {
            tree_walk walk{policy};
            std::vector<std::wstring> ignored;
            delete_contents(*opened, walk, 0, ignored);
        }
        ::SetLastError(refusal);
        return false;
    }
    if (!opened) return false;  // ERROR_PATH_NOT_FOUND
    return delete_opened_tree(std::move(*opened), policy);
}

}  // namespace quill::fs
