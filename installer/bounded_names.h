#pragma once

#include <windows.h>

#include <cstddef>
#include <set>
#include <string>
#include <vector>

// Names of one key read by index, at most a given number of them, for both cleaning variants.
struct BoundedNames {
    std::vector<std::wstring> names;
    // The result that ended the reading: ERROR_NO_MORE_ITEMS at the end of the list, the first
    // other failure, or ERROR_SUCCESS when the bound did.
    LONG result = ERROR_SUCCESS;
    // True when the bound left names unread.
    bool cut = false;
};

// Reads names with `enumerate(index, buffer, &length)`, a RegEnumKeyExW or RegEnumValueW call
// into a buffer of `buffer_chars` characters, until the first result other than success or
// until `limit` names are read; then one more index tells whether the bound cut the list.
template <typename Enumerate>
BoundedNames ReadBoundedNames(Enumerate enumerate, DWORD buffer_chars, std::size_t limit) {
    BoundedNames read;
    std::vector<wchar_t> buffer(buffer_chars);
    for (DWORD index = 0;; ++index) {
        DWORD length = buffer_chars;
        read.result = enumerate(index, buffer.data(), &length);
        if (read.result != ERROR_SUCCESS) return read;
        if (read.names.size() == limit) {
            read.cut = true;
            return read;
        }
        read.names.emplace_back(buffer.data(), length < buffer_chars ? length : 0);
    }
}

namespace quill::registry2 {
class key;
}

namespace native {

// The native variant's form: names sorted (quill::registry2's order), at most `limit`, read
// with the same 260-character buffer as quill::registry2. A failure other than the end of the
// list throws registry2::key_error, as the key's own listing does.
struct SortedBoundedNames {
    std::set<std::wstring> names;
    bool cut = false;
};
SortedBoundedNames ValueNames(const quill::registry2::key& key, std::size_t limit);
SortedBoundedNames SubKeyNames(const quill::registry2::key& key, std::size_t limit);

}  // namespace native
