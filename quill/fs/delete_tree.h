#pragma once

#include <windows.h>

#include <string>

#include "quill/fs/delete.h"
#include "quill/fs/item.h"

namespace quill::fs {

// Deletes the folder `folder` (absolute) with everything in it, affecting only what lies at that
// path as opened from `trusted_root` (open_below): a link, junction or mount point in any
// component below the root (the folder itself included) means nothing is deleted (false,
// kLinkInPath). Links inside are never followed: one that the system shows as one is deleted
// as a link, its target untouched; one that resolves elsewhere without showing as one (Wine's
// Unix links, a folder swapped during the deletion) is left alone, and so is its folder. Only
// "." and ".." are skipped. A path is_protected refuses is never touched (false,
// ERROR_INVALID_NAME).
// A folder whose children are only waiting for other handles to close is tried again for up to
// about a second in all. A folder that cannot be opened for deletion (in use without delete
// sharing, say) still has its contents deleted, and is then reported.
// True when the folder itself was removed; otherwise the thread's last error tells why (a
// missing folder or component: ERROR_PATH_NOT_FOUND). Failures inside the tree are not
// reported on their own.
bool delete_tree(const std::wstring& trusted_root, const std::wstring& folder,
                 attribute_policy policy);

// The same for a folder already opened by open_below for kTreeAccess: deletes what the handle
// holds, whatever has become of the folder's path since it was opened.
bool delete_opened_tree(item&& folder, attribute_policy policy);

// The access open_below needs for a folder handed to delete_opened_tree.
constexpr ACCESS_MASK kTreeAccess =
    FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_WRITE_ATTRIBUTES | DELETE;

}  // namespace quill::fs
