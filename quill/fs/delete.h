#pragma once

#include <windows.h>

#include <string>

#include "quill/fs/item.h"

namespace quill::fs {

// Whether a deletion may clear read-only, hidden and system attributes to let an item go.
// A file with more than one name never has its attributes changed (they are its other names'
// too), so read-only it stays.
enum class attribute_policy { keep, clear };

// Deletes what `doomed` is open on (for DELETE, and FILE_WRITE_ATTRIBUTES to clear attributes)
// and closes it: its name goes at once where the system can (POSIX semantics), otherwise when
// the last handle on it closes. A link goes as itself. True when it was deleted; otherwise
// false with the thread's last error set (ERROR_DIR_NOT_EMPTY, ERROR_ACCESS_DENIED ...).
bool delete_item(item&& doomed, attribute_policy policy);

// The same without closing the handle, so a refused folder can be tried again.
bool mark_for_deletion(const item& doomed, attribute_policy policy);

// Opens `path` below `trusted_root` (open_below) for DELETE and deletes it. False with the last
// error set when nothing was deleted: ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND when it is
// not there, kLinkInPath for a link on the way, ERROR_INVALID_NAME for a path is_protected
// refuses.
bool delete_below(const std::wstring& trusted_root, const std::wstring& path, item_kind kind,
                  attribute_policy policy);

}  // namespace quill::fs
