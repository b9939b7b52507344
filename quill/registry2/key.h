#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "quill/registry2/errors.h"
#include "quill/registry2/functions.h"

namespace quill::registry2 {

// Names as stored, sorted by UTF-16 code unit (upper case before lower case).
using name_set = std::set<std::wstring>;

// The registry allows 512 levels; a deeper walk can only come from a corrupt hive.
constexpr int max_depth = 512;

// Characters of the name buffer of a listing unless the caller names another size: a name of
// this many characters or more cannot be listed.
constexpr DWORD default_name_chars = 260;

// The registry view a key is opened in, and every key opened from it: the process's own, or
// the 64-bit or 32-bit one named explicitly (KEY_WOW64_64KEY, KEY_WOW64_32KEY).
enum class view : REGSAM { process = 0, bit64 = KEY_WOW64_64KEY, bit32 = KEY_WOW64_32KEY };

// Rights an open asks for: reading and writing, falling back to reading alone when that is
// refused (ERROR_ACCESS_DENIED); reading and writing only; or reading only.
enum class access { read_write_or_read, read_write, read };

// Whether an open of one component follows a registry link to its target or opens the link
// itself (REG_OPTION_OPEN_LINK).
enum class links { follow, open_as_is };

// What key::is_link found. In a condition it is false only for not_a_link: a key that could
// not be asked counts as a link, which every caller then leaves alone.
enum link_answer : int { not_a_link = 0, a_link = 1, could_not_tell = 2 };

// Names read by index in the registry's order (see key::list_sub_keys).
struct name_list {
    std::vector<std::wstring> names;
    // What ended the reading: ERROR_NO_MORE_ITEMS at the end of the list, the first other
    // failure, or ERROR_SUCCESS when the limit did.
    LONG code = ERROR_SUCCESS;
    // True when the limit left names unread.
    bool cut = false;
};

struct list_bounds {
    std::size_t limit = SIZE_MAX;
    DWORD name_chars = default_name_chars;
};

// One value as a listing gives it.
struct value_entry {
    std::wstring name;
    DWORD type = 0;
    // The data's size in bytes (as the registry reports it, also when no data was asked for).
    DWORD size = 0;
    // The data when asked for (at most the bytes the caller allowed).
    std::vector<BYTE> data;
};

// One open registry key, owned: the handle is closed when the object ends. A key remembers
// its view and its function table and passes both to the keys opened below it.
//
// Two forms of most operations: the throwing ones throw one of the registry errors, whose
// message names the failing call (a name the ANSI code page cannot hold shows "?" for each
// character it lacks) and whose code() is the system's; the try_ ones throw nothing and return
// the system's code (ERROR_SUCCESS, ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED ...). A function
// missing from the table fails with ERROR_PROC_NOT_FOUND.
class key {
  public:
    // No key: what the try_ forms fill in.
    key() noexcept = default;

    // A new handle to what `handle` names (a predefined root key, or a key the caller opened
    // itself); `handle` stays the caller's. Reading and writing, or reading alone.
    // Throws key_error "RegOpenKeyEx() failed: handle %i (%i)".
    static key open_handle(HKEY handle, view in = view::process,
                           const functions& api = system_functions());
    static LONG try_open_handle(HKEY handle, key& opened,
                                access rights = access::read_write_or_read, view in = view::process,
                                const functions& api = system_functions()) noexcept;

    // Opens, or with `create` creates (read and write, no read-only fallback), a sub-key.
    // Throws key_error "RegOpenKeyEx() failed: key "%s" (%i)" or
    // "RegCreateKeyEx() failed: key "%s" (%i)".
    static key open(const key& parent, const std::wstring& name, bool create = false);
    // Opens `name` below `parent`, in its view and through its table; with links::open_as_is
    // `name` is one component, and a link is opened as itself.
    static LONG try_open(const key& parent, const std::wstring& name, key& opened,
                         access rights = access::read_write_or_read,
                         links how = links::follow) noexcept;

    // The same below a handle the caller holds (a predefined root key), which stays its own.
    static LONG try_open(HKEY root, const std::wstring& name, key& opened, access rights,
                         view in = view::process,
                         const functions& api = system_functions()) noexcept;

    // Opens the sub-key `name` (one component) as it is: a registry link is opened as the link
    // itself, never its target (see is_link). Rights and errors as open without create.
    static key open_as_is(const key& parent, const std::wstring& name);

    // Opens `path` below `parent` component by component as they are; a component that is, or
    // may be, a registry link (is_link) fails with ERROR_REPARSE_POINT_ENCOUNTERED, thrown as
    // key_error "RegOpenKeyEx() failed: key "%s" (%i)" naming the whole path. An empty path
    // opens `parent` anew.
    static key open_path_as_is(const key& parent, const std::wstring& path);
    static LONG try_open_path_as_is(const key& parent, const std::wstring& path, key& opened,
                                    access rights = access::read_write_or_read) noexcept;

    // Whether this key, opened as itself, is a registry link (a REG_LINK "SymbolicLinkValue").
    // could_not_tell when the value cannot be asked for (a refused or failed query).
    link_answer is_link() const noexcept;

    key(key&& other) noexcept;
    key& operator=(key&& other) noexcept;
    key(const key&) = delete;
    key& operator=(const key&) = delete;
    ~key() { close(); }

    bool valid() const noexcept { return handle_ != nullptr; }
    HKEY handle() const noexcept { return handle_; }
    registry2::view in_view() const noexcept { return view_; }
    const functions& api() const noexcept { return *api_; }

    // Direct sub-key and value names, all of them, sorted; a set default value is the empty
    // name. Names of 260 or more characters cannot be listed: key_error
    // "RegEnumKeyEx() failed: handle %i (%i)" / "RegEnumValue() failed: handle %i (%i)".
    name_set sub_keys() const;
    name_set value_names() const;

    // The same in the registry's order, at most `limit` names, each read into a buffer of
    // `name_chars` characters; the reading ends at the first failure, given in the result.
    name_list list_sub_keys(list_bounds bounds = {}) const;
    name_list list_value_names(list_bounds bounds = {}) const;

    // The one sub-key name or value at `index`, read into a buffer of `name_chars`
    // characters; the value's data too when `data_bytes` is not 0 (ERROR_MORE_DATA when
    // either does not fit; the value's name is then empty, its type and size are given).
    // Return the RegEnumKeyExW / RegEnumValueW result; throw std::bad_alloc only.
    LONG try_sub_key_at(DWORD index, std::wstring& name,
                        DWORD name_chars = default_name_chars) const;
    LONG try_value_at(DWORD index, value_entry& value, DWORD name_chars = default_name_chars,
                      DWORD data_bytes = 0) const;

    // RegQueryValueExW: the type, and into `data` (when not null) at most `size` bytes; `size`
    // comes back as the value's size.
    LONG try_query(const std::wstring& name, DWORD& type, void* data, DWORD& size) const noexcept;

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
    LONG try_delete_value(const std::wstring& name) noexcept;

    // Deletes a sub-key; with `recursive`, its whole tree depth first (children listed once,
    // before any is deleted). Registry links are never followed: a link in the tree (or `name`
    // itself) is deleted as the link, its target stays untouched. A tree deeper than
    // max_depth is not descended further. The first error stops the deletion; what went stays
    // gone. key_error "RegDeleteKey() failed: key "%s" (%i)" (ERROR_STACK_OVERFLOW beyond the
    // depth bound), or the errors of open and sub_keys.
    void delete_key(const std::wstring& name, bool recursive = true);

    // RegDeleteKeyExW of the one sub-key `name` in this key's view: it fails for a key with
    // sub-keys (ERROR_ACCESS_DENIED) and, on a link, deletes its target, so callers check
    // what `name` is first.
    LONG try_delete_key(const std::wstring& name) noexcept;

    void close() noexcept;

  private:
    key(HKEY handle, view in, const functions& api) noexcept
        : handle_(handle), view_(in), api_(&api) {}

    static LONG try_open_name(HKEY parent, const wchar_t* name, DWORD options, access rights,
                              view in, const functions& api, key& opened) noexcept;

    // Opens `path` for open_path_as_is; names the component whose open failed, or the whole
    // path for a link, in `failed_name` (empty when `parent` itself could not be reopened).
    static LONG open_path(const key& parent, const std::wstring& path, key& opened, access rights,
                          std::wstring& failed_name);
    void delete_tree(const std::wstring& name, bool recursive, int depth);
    void delete_as_is(const std::wstring& name);

    HKEY handle_ = nullptr;
    registry2::view view_ = view::process;
    const functions* api_ = &system_functions();
};

}  // namespace quill::registry2
