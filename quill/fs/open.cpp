#include "quill/fs/open.h"

#include <winternl.h>

#include <vector>

#include "quill/fs/final_path.h"
#include "quill/fs/normal_path.h"

namespace quill::fs {
namespace {

using nt_create_file_function = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES,
                                                 PIO_STATUS_BLOCK, PLARGE_INTEGER, ULONG, ULONG,
                                                 ULONG, ULONG, PVOID, ULONG);
using status_to_error_function = ULONG(NTAPI*)(NTSTATUS);

// Looked up at run time: the import library of ntdll is not part of every toolchain, and
// ntdll is always loaded.
struct native_calls {
    nt_create_file_function create_file = nullptr;
    status_to_error_function status_to_error = nullptr;
};

const native_calls& native() {
    static const native_calls calls = [] {
        native_calls found;
        const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
        if (ntdll != nullptr) {
            found.create_file = reinterpret_cast<nt_create_file_function>(
                reinterpret_cast<void*>(::GetProcAddress(ntdll, "NtCreateFile")));
            found.status_to_error = reinterpret_cast<status_to_error_function>(
                reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlNtStatusToDosError")));
        }
        return found;
    }();
    return calls;
}

// The NtCreateFile dispositions used here (winternl.h does not name them everywhere).
constexpr ULONG kOpenExisting = 1;  // FILE_OPEN
constexpr ULONG kCreateNew = 2;     // FILE_CREATE

bool same_path(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

ULONG share_mode(sharing share) {
    switch (share) {
        case sharing::everything:
            return FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
        case sharing::read_write:
            return FILE_SHARE_READ | FILE_SHARE_WRITE;
        case sharing::read_only:
            break;
    }
    return FILE_SHARE_READ;
}

bool describe(item& opened) {
    FILE_BASIC_INFO basic{};
    FILE_STANDARD_INFO standard{};
    if (!::GetFileInformationByHandleEx(opened.handle.get(), FileBasicInfo, &basic,
                                        sizeof(basic)) ||
        !::GetFileInformationByHandleEx(opened.handle.get(), FileStandardInfo, &standard,
                                        sizeof(standard))) {
        return false;
    }
    opened.attributes = basic.FileAttributes;
    opened.hard_links = standard.NumberOfLinks;
    if ((opened.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        // Without a tag the item stays a link of unknown kind, which is the safe reading.
        FILE_ATTRIBUTE_TAG_INFO tag{};
        if (::GetFileInformationByHandleEx(opened.handle.get(), FileAttributeTagInfo, &tag,
                                           sizeof(tag))) {
            opened.reparse_tag = tag.ReparseTag;
        }
    }
    return final_path(opened.handle.get(), opened.final_path);
}

std::wstring child_path(const std::wstring& parent, const std::wstring& name) {
    if (!parent.empty() && parent.back() == L'\\') return parent + name;
    return parent + L'\\' + name;
}

ULONG kind_options(item_kind kind) {
    switch (kind) {
        case item_kind::folder:
            return FILE_DIRECTORY_FILE;
        case item_kind::file:
            return FILE_NON_DIRECTORY_FILE;
        case item_kind::any:
            break;
    }
    return 0;
}

// The one call every open and creation of the layer goes through.
bool open_relative(const item& parent, const std::wstring& name, item_kind kind, ACCESS_MASK access,
                   sharing share, ULONG disposition, std::optional<item>& out) {
    out.reset();
    const native_calls& calls = native();
    if (calls.create_file == nullptr || calls.status_to_error == nullptr) {
        ::SetLastError(ERROR_PROC_NOT_FOUND);
        return false;
    }
    if (name.empty() || name.size() > 0x7FFF / sizeof(wchar_t) ||
        name.find_first_of(L"\\/") != std::wstring::npos) {
        ::SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    UNICODE_STRING object_name{};
    object_name.Buffer = const_cast<PWSTR>(name.c_str());
    object_name.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    object_name.MaximumLength = object_name.Length;
    OBJECT_ATTRIBUTES attributes{};
    attributes.Length = sizeof(attributes);
    attributes.RootDirectory = parent.handle.get();
    attributes.ObjectName = &object_name;
    attributes.Attributes = OBJ_CASE_INSENSITIVE;
    IO_STATUS_BLOCK io{};
    HANDLE opened = INVALID_HANDLE_VALUE;
    const NTSTATUS status =
        calls.create_file(&opened, access | FILE_READ_ATTRIBUTES | SYNCHRONIZE, &attributes, &io,
                          nullptr, FILE_ATTRIBUTE_NORMAL, share_mode(share), disposition,
                          kind_options(kind) | FILE_OPEN_REPARSE_POINT |
                              FILE_OPEN_FOR_BACKUP_INTENT | FILE_SYNCHRONOUS_IO_NONALERT,
                          nullptr, 0);
    if (status < 0) {
        const DWORD error = calls.status_to_error(status);
        ::SetLastError(error);
        return disposition == kOpenExisting && is_not_found(error);
    }
    item result;
    result.handle.reset(opened);
    if (!describe(result)) return false;
    // Under Wine a link opens as its target, without any reparse point to show for it; only
    // the place it resolved to gives it away. On Windows this also catches a folder swapped
    // for a mount point between a listing and the open.
    if (!same_path(result.final_path, child_path(parent.final_path, name))) {
        ::SetLastError(kLinkInPath);
        return false;
    }
    out = std::move(result);
    return true;
}

bool is_separator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

std::wstring without_final_separators(std::wstring path) {
    // A drive root keeps its separator: "C:" alone names the current folder of that drive.
    while (path.size() > 3 && is_separator(path.back())) path.pop_back();
    return path;
}

// The components of `path` below `base`, or false when it does not lie strictly below it.
bool components_below(const std::wstring& base, const std::wstring& path,
                      std::vector<std::wstring>& components) {
    if (path.size() <= base.size() || !same_path(path.substr(0, base.size()), base)) return false;
    if (!is_separator(base.back()) && !is_separator(path[base.size()])) return false;
    std::wstring current;
    for (std::size_t i = base.size(); i <= path.size(); ++i) {
        if (i == path.size() || is_separator(path[i])) {
            if (current == L"." || current == L"..") return false;
            if (!current.empty()) components.push_back(current);
            current.clear();
        } else {
            current += path[i];
        }
    }
    return !components.empty();
}

}  // namespace

bool is_link_tag(DWORD reparse_tag) noexcept {
    return (reparse_tag & 0x20000000u) != 0;  // IsReparseTagNameSurrogate
}

bool is_link(DWORD attributes, DWORD reparse_tag) noexcept {
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return false;
    return reparse_tag == 0 || is_link_tag(reparse_tag);
}

bool open_link_no_reparse(const item& parent, const std::wstring& name, item_kind kind,
                          ACCESS_MASK access, std::optional<item>& out, sharing share) {
    return open_relative(parent, name, kind, access, share, kOpenExisting, out);
}

bool open_dir(const item& parent, const std::wstring& name, ACCESS_MASK access,
              std::optional<item>& out) {
    return open_link_no_reparse(parent, name, item_kind::folder, access, out);
}

bool create_new_file(const item& parent, const std::wstring& name, ACCESS_MASK access,
                     sharing share, std::optional<item>& out) {
    return open_relative(parent, name, item_kind::file, access, share, kCreateNew, out) &&
           out.has_value();
}

bool open_root(const std::wstring& trusted_root, std::optional<item>& out) {
    out.reset();
    const std::wstring root = without_final_separators(normal_path(trusted_root));
    item opened;
    opened.handle.reset(::CreateFileW(root.c_str(),
                                      FILE_READ_ATTRIBUTES | FILE_TRAVERSE | SYNCHRONIZE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!opened.handle) return is_not_found(::GetLastError());
    if (!describe(opened)) return false;
    if (!opened.is_folder()) {
        ::SetLastError(ERROR_DIRECTORY);
        return false;
    }
    out = std::move(opened);
    return true;
}

bool open_below(const std::wstring& trusted_root, const std::wstring& path, item_kind kind,
                ACCESS_MASK access, std::optional<item>& out, sharing share) {
    out.reset();
    const std::wstring base = without_final_separators(normal_path(trusted_root));
    std::vector<std::wstring> components;
    if (base.empty() || !components_below(base, normal_path(path), components)) {
        ::SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    std::optional<item> current;
    if (!open_root(base, current)) return false;
    if (!current) {
        ::SetLastError(ERROR_PATH_NOT_FOUND);
        return true;
    }
    for (std::size_t i = 0; i < components.size(); ++i) {
        const bool last = i + 1 == components.size();
        std::optional<item> next;
        if (!open_link_no_reparse(*current, components[i], last ? kind : item_kind::folder,
                                  last ? access : FILE_TRAVERSE, next,
                                  last ? share : sharing::everything)) {
            return false;
        }
        if (!next) {
            // Only the last component may be a missing file; anything missing before it is a path.
            if (!last || kind == item_kind::folder) ::SetLastError(ERROR_PATH_NOT_FOUND);
            return true;
        }
        if (next->is_link()) {
            ::SetLastError(kLinkInPath);
            return false;
        }
        current = std::move(next);
    }
    out = std::move(current);
    return true;
}

bool exists_below(const std::wstring& trusted_root, const std::wstring& path, item_kind kind,
                  bool& present) {
    std::optional<item> found;
    if (!open_below(trusted_root, path, kind, 0, found)) return false;
    present = found.has_value();
    return true;
}

std::wstring folder_of(const std::wstring& path) {
    const std::size_t last = path.find_last_of(L"\\/");
    if (last == std::wstring::npos || last == 0) return std::wstring();
    return path.substr(0, last == 2 && path[1] == L':' ? 3 : last);
}

}  // namespace quill::fs
