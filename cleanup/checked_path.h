#pragma once

#include <windows.h>

#include <string>

#include "quill/handle.h"

namespace korve::cleanup {

// A file or folder opened by handle at exactly the place its path names: every component below
// the trusted folder it was reached from was opened relative to its parent without following a
// link, and none of them turned out to be a link or to lie elsewhere.
struct checked_item {
    quill::unique_file handle;
    std::wstring final_path;  // the system's own spelling, "\\?\C:\..."
    DWORD attributes = 0;
    DWORD hard_links = 1;
};

enum class item_kind { folder, file, any };

// Why a path was refused: a component below the trusted folder is a link, a junction, a mount
// point, or resolves to another place. ERROR_REPARSE_POINT_ENCOUNTERED (4395), which not every
// SDK names.
constexpr DWORD kLinkInPath = 4395;

// Opens `name` (one component, no separators) inside the folder `parent`, without following a
// link, for `access` (SYNCHRONIZE is added). True when it opened and its final path is the
// parent's final path plus `name`; a link that opened as itself (Windows) gives true with
// FILE_ATTRIBUTE_REPARSE_POINT in `item.attributes`. Otherwise false with the thread's last
// error set (kLinkInPath when it resolved elsewhere, as a link does under Wine) and `item`
// left without a handle.
bool open_child(const checked_item& parent, const std::wstring& name, item_kind kind,
                ACCESS_MASK access, checked_item& item);

// Opens the full path `path` (wide, absolute) that lies below `known_folder`. The known folder
// itself is opened as the system resolves it (links at or above it are the system's own
// arrangement); each component below it is opened with open_child, as a folder, for reading
// only, and the last one as `kind` for `access`. False, with the last error set, when a
// component is missing (ERROR_PATH_NOT_FOUND for every missing folder component), is a link
// (kLinkInPath), or when `path` does not lie strictly below `known_folder`, or has "." or ".."
// components below it (ERROR_INVALID_NAME).
bool open_below(const std::wstring& known_folder, const std::wstring& path, item_kind kind,
                ACCESS_MASK access, checked_item& item);

// Deletes the opened item by its handle (the name goes when the handle closes); false with the
// last error set when the system refuses (ERROR_DIR_NOT_EMPTY, ERROR_ACCESS_DENIED ...).
bool mark_for_deletion(const checked_item& item);

// The absolute form of a path ("." and ".." resolved, "/" made "\"); the path as given when the
// system cannot say.
std::wstring full_path(const std::wstring& path);

// The same with short (8.3) names made long, as far as the path exists.
std::wstring long_path(const std::wstring& path);

}  // namespace korve::cleanup
