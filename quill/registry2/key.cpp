#include "quill/registry2/key.h"

#include <cstdint>
#include <new>
#include <utility>
#include <vector>

#include "quill/unicode/conversion.h"

namespace quill::registry2 {
namespace {

constexpr DWORD max_expansion = 32768;  // characters, terminator included
// ERROR_REPARSE_POINT_ENCOUNTERED, which not every SDK's headers define.
constexpr LONG reparse_point_encountered = 4395;

// A name only describes the failure: one the ANSI code page cannot hold must not turn the
// registry error into a conversion error (callers catch registry errors per item).
std::string message_name(const std::wstring& name) {
    try {
        return unicode::to_narrow(name, unicode::ansi_codepage, false);
    } catch (const exception&) {
        std::string ascii;
        for (const wchar_t c : name) ascii += c < 0x80 ? static_cast<char>(c) : '?';
        return ascii;
    }
}

int printable(HKEY handle) {
    return static_cast<int>(reinterpret_cast<std::intptr_t>(handle));
}

// A table may lack a function (a looked-up one not found, or released).
template <typename Function, typename... Arguments>
LONG call(Function function, Arguments... arguments) noexcept {
    return function == nullptr ? ERROR_PROC_NOT_FOUND : function(arguments...);
}

REGSAM first_rights(access rights) {
    return rights == access::read ? KEY_READ : KEY_READ | KEY_WRITE;
}

// Registry names split at backslashes, empty components skipped.
template <typename Visit>
LONG for_each_component(const std::wstring& path, Visit visit) {
    std::size_t start = 0;
    while (start < path.size()) {
        std::size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos) end = path.size();
        if (end > start) {
            const LONG result = visit(path.substr(start, end - start));
            if (result != ERROR_SUCCESS) return result;
        }
        start = end + 1;
    }
    return ERROR_SUCCESS;
}

// Reads names by index with `read(index, name)` until the first failure or the limit.
template <typename Read>
name_list list_names(Read read, std::size_t limit) {
    name_list listed;
    std::wstring name;
    for (DWORD index = 0;; ++index) {
        listed.code = read(index, name);
        if (listed.code != ERROR_SUCCESS) return listed;
        if (listed.names.size() == limit) {
            listed.cut = true;
            return listed;
        }
        listed.names.push_back(name);
    }
}

// The sorted form: all names, or the error that ended the listing early.
name_set all_names(const name_list& listed, HKEY handle, const char* format_text) {
    if (listed.code != ERROR_NO_MORE_ITEMS) {
        throw key_error(format(format_text, printable(handle), static_cast<int>(listed.code)),
                        listed.code);
    }
    return name_set(listed.names.begin(), listed.names.end());
}

// The name a listing returned: at most the buffer, without a terminating zero it may count.
std::wstring listed_name(const wchar_t* buffer, DWORD length, DWORD buffer_chars) {
    if (length > buffer_chars) length = buffer_chars;
    if (length > 0 && buffer[length - 1] == L'\0') --length;
    return std::wstring(buffer, length);
}

}  // namespace

key::key(key&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), view_(other.view_), api_(other.api_) {}

key& key::operator=(key&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = std::exchange(other.handle_, nullptr);
        view_ = other.view_;
        api_ = other.api_;
    }
    return *this;
}

void key::close() noexcept {
    const HKEY open = std::exchange(handle_, nullptr);
    if (open == nullptr) return;
    // A released table no longer closes; the handle is still the process's to close.
    if (api_->close_key != nullptr) {
        api_->close_key(open);
    } else {
        ::RegCloseKey(open);
    }
}

LONG key::try_open_name(HKEY parent, const wchar_t* name, DWORD options, access rights, view in,
                        const functions& api, key& opened) noexcept {
    const REGSAM in_view = static_cast<REGSAM>(in);
    HKEY handle = nullptr;
    LONG result =
        call(api.open_key, parent, name, options, first_rights(rights) | in_view, &handle);
    if (result == ERROR_ACCESS_DENIED && rights == access::read_write_or_read)
        result = call(api.open_key, parent, name, options, KEY_READ | in_view, &handle);
    if (result != ERROR_SUCCESS) return result;
    opened = key(handle, in, api);
    return ERROR_SUCCESS;
}

key key::open_handle(HKEY handle, view in, const functions& api) {
    key opened;
    const LONG result = try_open_handle(handle, opened, access::read_write_or_read, in, api);
    if (result != ERROR_SUCCESS) {
        throw key_error(format("RegOpenKeyEx() failed: handle %i (%i)", printable(handle),
                               static_cast<int>(result)),
                        result);
    }
    return opened;
}

LONG key::try_open_handle(HKEY handle, key& opened, access rights, view in,
                          const functions& api) noexcept {
    return try_open_name(handle, nullptr, 0, rights, in, api, opened);
}

key key::open(const key& parent, const std::wstring& name, bool create) {
    if (create) {
        HKEY created = nullptr;
        const LONG result = call(parent.api_->create_key, parent.handle(), name.c_str(), DWORD{0},
                                 nullptr, DWORD{REG_OPTION_NON_VOLATILE},
                                 REGSAM{KEY_READ | KEY_WRITE} | static_cast<REGSAM>(parent.view_),
                                 nullptr, &created, nullptr);
        if (result != ERROR_SUCCESS) {
            throw key_error(format("RegCreateKeyEx() failed: key \"%s\" (%i)",
                                   message_name(name).c_str(), static_cast<int>(result)),
                            result);
        }
        return key(created, parent.view_, *parent.api_);
    }
    key opened;
    const LONG result = try_open(parent, name, opened);
    if (result != ERROR_SUCCESS) {
        throw key_error(format("RegOpenKeyEx() failed: key \"%s\" (%i)", message_name(name).c_str(),
                               static_cast<int>(result)),
                        result);
    }
    return opened;
}

LONG key::try_open(const key& parent, const std::wstring& name, key& opened, access rights,
                   links how) noexcept {
    const DWORD options = how == links::open_as_is ? REG_OPTION_OPEN_LINK : 0;
    return try_open_name(parent.handle(), name.c_str(), options, rights, parent.view_, *parent.api_,
                         opened);
}

LONG key::try_open(HKEY root, const std::wstring& name, key& opened, access rights, view in,
                   const functions& api) noexcept {
    return try_open_name(root, name.c_str(), 0, rights, in, api, opened);
}

key key::open_as_is(const key& parent, const std::wstring& name) {
    key opened;
    const LONG result =
        try_open(parent, name, opened, access::read_write_or_read, links::open_as_is);
    if (result != ERROR_SUCCESS) {
        throw key_error(format("RegOpenKeyEx() failed: key \"%s\" (%i)", message_name(name).c_str(),
                               static_cast<int>(result)),
                        result);
    }
    return opened;
}

key key::open_path_as_is(const key& parent, const std::wstring& path) {
    key opened;
    std::wstring failed_name;
    const LONG result = open_path(parent, path, opened, access::read_write_or_read, failed_name);
    if (result == ERROR_SUCCESS) return opened;
    if (failed_name.empty()) {
        throw key_error(format("RegOpenKeyEx() failed: handle %i (%i)", printable(parent.handle()),
                               static_cast<int>(result)),
                        result);
    }
    throw key_error(format("RegOpenKeyEx() failed: key \"%s\" (%i)",
                           message_name(failed_name).c_str(), static_cast<int>(result)),
                    result);
}

LONG key::try_open_path_as_is(const key& parent, const std::wstring& path, key& opened,
                              access rights) noexcept {
    try {
        std::wstring failed_name;
        return open_path(parent, path, opened, rights, failed_name);
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

LONG key::open_path(const key& parent, const std::wstring& path, key& opened, access rights,
                    std::wstring& failed_name) {
    key current;
    const LONG result = for_each_component(path, [&](const std::wstring& component) {
        key next;
        const LONG opened_next = try_open(current.valid() ? current : parent, component, next,
                                          rights, links::open_as_is);
        if (opened_next != ERROR_SUCCESS) {
            failed_name = component;
            return opened_next;
        }
        if (next.is_link()) {
            failed_name = path;
            return reparse_point_encountered;
        }
        current = std::move(next);
        return LONG{ERROR_SUCCESS};
    });
    if (result != ERROR_SUCCESS) return result;
    // A path without components names `parent` itself.
    if (!current.valid()) {
        return try_open_name(parent.handle(), nullptr, 0, rights, parent.view_, *parent.api_,
                             opened);
    }
    opened = std::move(current);
    return ERROR_SUCCESS;
}

link_answer key::is_link() const noexcept {
    // Asked for by name, not by listing the values: a user's key may hold any number of them.
    DWORD type = 0;
    const LONG result =
        call(api_->query_value, handle(), L"SymbolicLinkValue", nullptr, &type, nullptr, nullptr);
    if (result == ERROR_FILE_NOT_FOUND) return not_a_link;
    if (result != ERROR_SUCCESS) return could_not_tell;
    return type == REG_LINK ? a_link : not_a_link;
}

LONG key::try_sub_key_at(DWORD index, std::wstring& name, DWORD name_chars) const {
    std::vector<wchar_t> buffer(name_chars);
    DWORD length = name_chars;
    FILETIME written{};
    const LONG result = call(api_->enum_key, handle(), index, buffer.data(), &length, nullptr,
                             nullptr, nullptr, &written);
    if (result == ERROR_SUCCESS) name = listed_name(buffer.data(), length, name_chars);
    return result;
}

LONG key::try_value_at(DWORD index, value_entry& value, DWORD name_chars, DWORD data_bytes) const {
    std::vector<wchar_t> buffer(name_chars);
    DWORD length = name_chars;
    value.data.assign(data_bytes, 0);
    DWORD type = 0;
    DWORD size = data_bytes;
    const LONG result = call(api_->enum_value, handle(), index, buffer.data(), &length, nullptr,
                             &type, data_bytes == 0 ? nullptr : value.data.data(), &size);
    if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA) return result;
    value.name =
        result == ERROR_SUCCESS ? listed_name(buffer.data(), length, name_chars) : std::wstring();
    value.type = type;
    value.size = size;
    value.data.resize(result == ERROR_SUCCESS && size < data_bytes ? size : data_bytes);
    return result;
}

name_list key::list_sub_keys(list_bounds bounds) const {
    return list_names(
        [this, &bounds](DWORD index, std::wstring& name) {
            return try_sub_key_at(index, name, bounds.name_chars);
        },
        bounds.limit);
}

name_list key::list_value_names(list_bounds bounds) const {
    value_entry value;
    return list_names(
        [this, &bounds, &value](DWORD index, std::wstring& name) {
            const LONG result = try_value_at(index, value, bounds.name_chars);
            if (result == ERROR_SUCCESS) name = value.name;
            return result;
        },
        bounds.limit);
}

name_set key::sub_keys() const {
    return all_names(list_sub_keys(), handle(), "RegEnumKeyEx() failed: handle %i (%i)");
}

name_set key::value_names() const {
    return all_names(list_value_names(), handle(), "RegEnumValue() failed: handle %i (%i)");
}

LONG key::try_query(const std::wstring& name, DWORD& type, void* data, DWORD& size) const noexcept {
    return call(api_->query_value, handle(), name.c_str(), nullptr, &type, static_cast<BYTE*>(data),
                &size);
}

bool key::peek(const std::wstring& name, DWORD& type, DWORD& size) const noexcept {
    DWORD found_type = type;
    DWORD found_size = 0;
    const LONG result = try_query(name, found_type, nullptr, found_size);
    if (result == ERROR_SUCCESS) {
        type = found_type;
        size = found_size;
        return true;
    }
    if (result == ERROR_FILE_NOT_FOUND) type = 0;
    return false;
}

void key::check_type(const std::wstring& name, DWORD expected, DWORD found) const {
    if (found == 0) {
        throw value_error(format("Not found: value \"%s\"", message_name(name).c_str()),
                          ERROR_FILE_NOT_FOUND);
    }
    if (found == expected) return;
    if (expected == REG_SZ && found == REG_EXPAND_SZ) return;
    throw type_mismatch(
        format("Type mismatch: value \"%s\" expected %i found %i", message_name(name).c_str(),
               static_cast<int>(expected), static_cast<int>(found)),
        ERROR_UNSUPPORTED_TYPE);
}

void key::read_raw(const std::wstring& name, void* buffer, DWORD expected_size) const {
    DWORD type = 0;
    DWORD length = expected_size;
    const LONG result = try_query(name, type, buffer, length);
    if (length != expected_size) {
        throw size_mismatch(
            format("Size mismatch: value \"%s\" expected %i found %i", message_name(name).c_str(),
                   static_cast<int>(expected_size), static_cast<int>(length)),
            ERROR_INVALID_DATA);
    }
    if (result != ERROR_SUCCESS) {
        throw value_error(format("RegQueryValueEx() failed: value \"%s\" (%i)",
                                 message_name(name).c_str(), static_cast<int>(result)),
                          result);
    }
}

std::wstring key::get_string(const std::wstring& name) const {
    DWORD type = 0;
    DWORD size = 0;
    peek(name, type, size);
    check_type(name, REG_SZ, type);

    // One spare unit beyond the data keeps the text terminated whatever the data holds,
    // an odd byte count included.
    std::vector<wchar_t> data(size / 2 + 2, L'\0');
    read_raw(name, data.data(), size);
    std::wstring text(data.data(), size / 2);
    if (!text.empty() && text.back() == L'\0') text.pop_back();
    if (type != REG_EXPAND_SZ) return text;

    // Ask for the needed size first. The system expands at most 32 Ki characters (beyond
    // that it reports a size but fills zeros), so a longer expansion is an error, not a text.
    const std::wstring source = text.c_str();
    const DWORD needed = ::ExpandEnvironmentStringsW(source.c_str(), nullptr, 0);
    DWORD error = needed == 0 ? ::GetLastError() : ERROR_INSUFFICIENT_BUFFER;
    if (needed != 0 && needed <= max_expansion) {
        std::vector<wchar_t> expanded(needed + 1, L'\0');
        const DWORD produced = ::ExpandEnvironmentStringsW(source.c_str(), expanded.data(), needed);
        if (produced != 0 && produced <= needed) return std::wstring(expanded.data(), produced - 1);
        error = produced == 0 ? ::GetLastError() : ERROR_INSUFFICIENT_BUFFER;
    }
    throw value_error(format("ExpandEnvironmentStrings() failed: value \"%s\" (%i)",
                             message_name(name).c_str(), static_cast<int>(error)),
                      static_cast<LONG>(error));
}

DWORD key::get_dword(const std::wstring& name) const {
    DWORD type = 0;
    DWORD size = 0;
    peek(name, type, size);
    check_type(name, REG_DWORD, type);
    DWORD value = 0;
    read_raw(name, &value, sizeof(value));
    return value;
}

void key::set_raw(const std::wstring& name, DWORD type, const void* data, DWORD size) {
    const LONG result = call(api_->set_value, handle(), name.c_str(), DWORD{0}, type,
                             static_cast<const BYTE*>(data), size);
    if (result != ERROR_SUCCESS) {
        throw value_error(format("RegSetValueEx() failed: value \"%s\" (%i)",
                                 message_name(name).c_str(), static_cast<int>(result)),
                          result);
    }
}

void key::set_string(const std::wstring& name, const std::wstring& text) {
    set_raw(name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() * 2 + 2));
}

void key::set_dword(const std::wstring& name, DWORD value) {
    set_raw(name, REG_DWORD, &value, sizeof(value));
}

void key::delete_value(const std::wstring& name) {
    const LONG result = try_delete_value(name);
    if (result != ERROR_SUCCESS) {
        throw key_error(format("RegDeleteValue() failed: value \"%s\" (%i)",
                               message_name(name).c_str(), static_cast<int>(result)),
                        result);
    }
}

LONG key::try_delete_value(const std::wstring& name) noexcept {
    return call(api_->delete_value, handle(), name.c_str());
}

LONG key::try_delete_key(const std::wstring& name) noexcept {
    return call(api_->delete_key, handle(), name.c_str(), static_cast<REGSAM>(view_), DWORD{0});
}

void key::delete_key(const std::wstring& name, bool recursive) {
    delete_tree(name, recursive, 0);
}

void key::delete_tree(const std::wstring& name, bool recursive, int depth) {
    if (recursive) {
        if (depth >= max_depth) {
            throw key_error(
                format("RegDeleteKey() failed: key \"%s\" (%i)", message_name(name).c_str(),
                       static_cast<int>(ERROR_STACK_OVERFLOW)),
                ERROR_STACK_OVERFLOW);
        }
        key child = open_as_is(*this, name);
        // A link has no children of its own; descending would walk its target.
        if (!child.is_link()) {
            for (const std::wstring& grandchild : child.sub_keys())
                child.delete_tree(grandchild, true, depth + 1);
        }
        child.close();
    }
    delete_as_is(name);
}

// RegDeleteKeyExW follows a link and deletes its target; only NtDeleteKey on a handle opened
// with REG_OPTION_OPEN_LINK deletes the link itself.
void key::delete_as_is(const std::wstring& name) {
    HKEY opened = nullptr;
    LONG result = call(api_->open_key, handle(), name.c_str(), DWORD{REG_OPTION_OPEN_LINK},
                       REGSAM{DELETE} | static_cast<REGSAM>(view_), &opened);
    if (result == ERROR_SUCCESS) {
        const key doomed(opened, view_, *api_);
        if (api_->nt_delete_key == nullptr || api_->nt_status_to_error == nullptr) {
            result = ERROR_PROC_NOT_FOUND;
        } else {
            const LONG status = api_->nt_delete_key(doomed.handle());
            result =
                status == 0 ? ERROR_SUCCESS : static_cast<LONG>(api_->nt_status_to_error(status));
        }
    }
    if (result != ERROR_SUCCESS) {
        throw key_error(format("RegDeleteKey() failed: key \"%s\" (%i)", message_name(name).c_str(),
                               static_cast<int>(result)),
                        result);
    }
}

}  // namespace quill::registry2
