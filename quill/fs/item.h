#pragma once

#include <windows.h>

#include <string>

#include "quill/handle.h"

namespace quill::fs {

enum class item_kind { folder, file, any };

// True for the reparse tags of links (name surrogates: symbolic links, junctions, mount points);
// compressed (WOF), deduplicated, cloud and HSM items carry tags too and are ordinary items.
bool is_link_tag(DWORD reparse_tag) noexcept;

// True when an item with these attributes and reparse tag (as a listing or an open reports
// them) is a link. A reparse point whose tag is unknown (0) counts as one.
bool is_link(DWORD attributes, DWORD reparse_tag) noexcept;

// A file or folder opened by handle at exactly the place its path names: every component below
// the trusted root it was reached from was opened relative to its parent without following a
// link, and none of them turned out to lie elsewhere.
struct item {
    unique_file handle;
    std::wstring final_path;  // the system's own spelling, "\\?\C:\..."
    DWORD attributes = 0;
    DWORD reparse_tag = 0;  // 0 unless FILE_ATTRIBUTE_REPARSE_POINT is set
    DWORD hard_links = 1;

    bool is_folder() const noexcept { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    // A symbolic link, junction or mount point opened as itself.
    bool is_link() const noexcept { return fs::is_link(attributes, reparse_tag); }
};

// Why a path was refused: a component below the trusted root is a link, a junction, a mount
// point, or resolves to another place. ERROR_REPARSE_POINT_ENCOUNTERED, which not every SDK
// names.
constexpr DWORD kLinkInPath = 4395;

// True for the errors that say a name is not there.
inline bool is_not_found(DWORD error) noexcept {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace quill::fs
