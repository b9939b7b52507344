#include "installer/bounded_names.h"

#include "quill/format.h"
#include "quill/registry2/key.h"

namespace native {
namespace {

constexpr DWORD kNameBufferChars = 260;

template <typename Enumerate>
SortedBoundedNames Sorted(Enumerate enumerate, std::size_t limit, const char* call) {
    BoundedNames read = ReadBoundedNames(enumerate, kNameBufferChars, limit);
    if (read.result != ERROR_SUCCESS && read.result != ERROR_NO_MORE_ITEMS) {
        throw quill::registry2::key_error(
            quill::format("%s failed (%i)", call, static_cast<int>(read.result)));
    }
    return {std::set<std::wstring>(read.names.begin(), read.names.end()), read.cut};
}

}  // namespace

SortedBoundedNames ValueNames(const quill::registry2::key& key, std::size_t limit) {
    return Sorted(
        [&key](DWORD index, wchar_t* buffer, DWORD* length) {
            return ::RegEnumValueW(key.handle(), index, buffer, length, nullptr, nullptr, nullptr,
                                   nullptr);
        },
        limit, "RegEnumValue()");
}

SortedBoundedNames SubKeyNames(const quill::registry2::key& key, std::size_t limit) {
    return Sorted(
        [&key](DWORD index, wchar_t* buffer, DWORD* length) {
            return ::RegEnumKeyExW(key.handle(), index, buffer, length, nullptr, nullptr, nullptr,
                                   nullptr);
        },
        limit, "RegEnumKeyEx()");
}

}  // namespace native
