#pragma once

#include <string>

namespace korve::cleanup {

// Longest product folder path (folder value and suffix) the removal steps accept, and longest
// brand folder path, in ANSI bytes.
constexpr std::size_t kMaxProductFolderPath = 198;
constexpr std::size_t kMaxBrandFolderPath = 259;

// ANSI form of a folder read from the registry. Throws quill::unicode::unmappable_character
// for a character the ANSI code page lacks, and path_too_long when the ANSI form needs more
// bytes than the value has characters (multi-byte code pages).
std::string ansi_folder_value(const std::wstring& value);

// True when `path` is at most `limit` bytes long.
inline bool fits_folder_limit(const std::string& path, std::size_t limit) noexcept {
    return path.size() <= limit;
}

// `folder` followed by `suffix`; throws path_too_long beyond `limit` bytes.
std::string join_folder(const std::string& folder, const char* suffix, std::size_t limit);

}  // namespace korve::cleanup
