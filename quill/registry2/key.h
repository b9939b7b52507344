#pragma once

#include <windows.h>

#include <set>
#include <string>

#include "quill/handle.h"
#include "quill/registry2/errors.h"

namespace quill::registry2 {

// Names as stored, sorted by UTF-16 code unit (upper case before lower case).
using name_set = std::set<std::wstring>;

// One open registry key, owned: the handle is closed when the object ends. Keys are opened
// for reading and writing and, when that is refused (ERROR_ACCESS_DENIED), for reading only.
// Every failure throws one of the registry errors with the failing call and its error code;
// a name that the ANSI code page cannot hold is shown in such a message with "?" in place of
// each character it lacks.
class key {
  public:
    // A new handle to what `handle` names (a predefined root key, or a key the caller opened
    // itself, for instance in another registry view); `handle` stays the caller's.
    // Throws key_error "RegOpenKeyEx() failed: handle %i (%i)".
    static key open_handle(HKEY handle);

    // Opens, or with `create` creates (read and write, no read-only fallback), a sub-key.
    // Throws key_error "RegOpenKeyEx() failed: key "%s" (%i)" or
    // "RegCreateKeyEx() failed: key "%s" (%i)".
    static key open(const key& parent, const std::wstring& name, bool create = false);

    // Opens the sub-key `name` (one component) as it is: a registry link is opened as the link
    // itself, never its target (see is_link). Rights and errors as open without create.
    static key open_as_is(const key& parent, const std::wstring& name);

    // Opens `path` below `parent` component by component with open_as_is; a component that is
    // a registry link throws key_error "RegOpenKeyEx() failed: key "%s" (%i)" naming the
    // whole path, with ERROR_REPARSE_POINT_ENCOUNTERED. An empty path opens `parent` anew.
    static key open_path_as_is(const key& parent, const std::wstring& path);

    // True when this key is a registry link opened as itself (a REG_LINK "SymbolicLinkValue").
    bool is_link() const noexcept;

    key(key&&) noexcept = default;
    key& operator=(key&&) noexcept = default;

    HKEY handle() const noexcept { return handle_.get(); }

    // Direct sub-key and value names; a set default value is the empty name. Names of 260 or
    // more characters cannot be listed: key_error "RegEnumKeyEx() failed: handle %i (%i)" /
    // "RegEnumValue() failed: handle %i (%i)".
    name_set sub_keys() const;
    name_set value_names() const;

    // Type and size of a value without its data. Never throws; on any failure `type` keeps
    // what the caller put there (callers pass 0), and a missing value sets it to 0.
    bool peek(const std::wstring& name, DWORD& type, DWORD& size) const noexcept;

    // value_error "Not found: value "%s"" for type 0; type_mismatch "Type mismatch: value "%s"
    // expected %i found %i" unless equal (REG_EXPAND_SZ is accepted for REG_SZ).
    void check_type(const std::wstring& name, DWORD expected, DWORD found) const;

    // Reads exactly `expected_size` bytes. size_mismatch "Size mismatch: value "%s" expected
    // %i found %i" when the value has another size, else value_error
    // "RegQueryValueEx() failed: value "%s" (%i)". On failure the buffer's content is undefined.
    void read_raw(const std::wstring& name, void* buffer, DWORD expected_size) const;

    // REG_SZ or REG_EXPAND_SZ (expanded) text without its terminating zero; a value stored
    // with two zeros keeps one. Odd-sized data loses its last byte. Throws as check_type and
    // read_raw, and value_error "ExpandEnvironmentStrings() failed: value "%s" (%i)" when the
    // expansion fails or would exceed the system's 32768 characters (code 122).
    std::wstring get_string(const std::wstring& name) const;
    // A 4-byte REG_DWORD. Throws as check_type and read_raw.
    DWORD get_dword(const std::wstring& name) const;

    // value_error "RegSetValueEx() failed: value "%s" (%i)".
    void set_raw(const std::wstring& name, DWORD type, const void* data, DWORD size);
    void set_string(const std::wstring& name, const std::wstring& text);
    void set_dword(const std::wstring& name, DWORD value);

    // key_error "RegDeleteValue() failed: value "%s" (%i)".
    void delete_value(const std::wstring& name);

    // Deletes a sub-key; with `recursive`, its whole tree depth first (children listed once,
    // before any is deleted). Registry links are never followed: a link in the tree (or `name`
    // itself) is deleted as the link, its target stays untouched. A tree deeper than the
    // registry's 512 levels is not descended further. The first error stops the deletion;
    // what went stays gone. key_error "RegDeleteKey() failed: key "%s" (%i)"
    // (ERROR_STACK_OVERFLOW beyond the depth bound), or the errors of open and sub_keys.
    void delete_key(const std::wstring& name, bool recursive = true);

    void close() noexcept { handle_.reset(); }

  private:
    explicit key(HKEY handle) noexcept : handle_(handle) {}

    void delete_tree(const std::wstring& name, bool recursive, int depth);
    void delete_as_is(const std::wstring& name);

    unique_hkey handle_;
};

}  // namespace quill::registry2
