#include "cleanup/checked_path.h"

#include <winternl.h>

#include <vector>

namespace korve::cleanup {
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

bool same_path(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

bool final_path_of(HANDLE handle, std::wstring& path) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (int attempt = 0; attempt < 3; ++attempt) {
        const DWORD length = ::GetFinalPathNameByHandleW(
            handle, buffer.data(), static_cast<DWORD>(buffer.size()), FILE_NAME_NORMALIZED);
        if (length == 0) return false;
        if (length < buffer.size()) {
            path.assign(buffer.data(), length);
            return true;
        }
        buffer.resize(length + 1);
    }
    ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
}

bool describe(checked_item& item) {
    FILE_BASIC_INFO basic{};
    FILE_STANDARD_INFO standard{};
    if (!::GetFileInformationByHandleEx(item.handle.get(), FileBasicInfo, &basic, sizeof(basic)) ||
        !::GetFileInformationByHandleEx(item.handle.get(), FileStandardInfo, &standard,
                                        sizeof(standard))) {
        return false;
    }
    item.attributes = basic.FileAttributes;
    item.hard_links = standard.NumberOfLinks;
    return final_path_of(item.handle.get(), item.final_path);
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

bool open_child(const checked_item& parent, const std::wstring& name, item_kind kind,
                ACCESS_MASK access, checked_item& item) {
    item = checked_item{};
    const native_calls& calls = native();
    if (calls.create_file == nullptr || calls.status_to_error == nullptr) {
        ::SetLastError(ERROR_PROC_NOT_FOUND);
        return false;
    }
    if (name.empty() || name.size() > 0x7FFF / sizeof(wchar_t)) {
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
    const NTSTATUS status = calls.create_file(
        &opened, access | FILE_READ_ATTRIBUTES | SYNCHRONIZE, &attributes, &io, nullptr, 0,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_OPEN,
        kind_options(kind) | FILE_OPEN_REPARSE_POINT | FILE_OPEN_FOR_BACKUP_INTENT |
            FILE_SYNCHRONOUS_IO_NONALERT,
        nullptr, 0);
    if (status < 0) {
        ::SetLastError(calls.status_to_error(status));
        return false;
    }
    item.handle.reset(opened);
    if (!describe(item)) {
        const DWORD error = ::GetLastError();
        item = checked_item{};
        ::SetLastError(error);
        return false;
    }
    // Under Wine a link opens as its target, without any reparse point to show for it; only
    // the place it resolved to gives it away. On Windows this also catches a folder swapped
    // for a mount point between the listing and the open.
    if (!same_path(item.final_path, child_path(parent.final_path, name))) {
        item = checked_item{};
        ::SetLastError(kLinkInPath);
        return false;
    }
    return true;
}

bool open_below(const std::wstring& known_folder, const std::wstring& path, item_kind kind,
                ACCESS_MASK access, checked_item& item) {
    item = checked_item{};
    const std::wstring base = without_final_separators(full_path(known_folder));
    std::vector<std::wstring> components;
    if (base.empty() || !components_below(base, full_path(path), components)) {
        ::SetLastError(ERROR_INVALID_NAME);
        return false;
    }

    checked_item current;
    current.handle.reset(
        ::CreateFileW(base.c_str(), FILE_READ_ATTRIBUTES | FILE_TRAVERSE | SYNCHRONIZE,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!current.handle || !describe(current) ||
        (current.attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        const DWORD error = ::GetLastError();
        ::SetLastError(error == ERROR_FILE_NOT_FOUND || error == ERROR_SUCCESS
                           ? static_cast<DWORD>(ERROR_PATH_NOT_FOUND)
                           : error);
        return false;
    }

    for (std::size_t i = 0; i < components.size(); ++i) {
        const bool last = i + 1 == components.size();
        const item_kind this_kind = last ? kind : item_kind::folder;
        checked_item next;
        if (!open_child(current, components[i], this_kind, last ? access : FILE_TRAVERSE, next)) {
            const DWORD error = ::GetLastError();
            const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
            ::SetLastError(missing && this_kind == item_kind::folder
                               ? static_cast<DWORD>(ERROR_PATH_NOT_FOUND)
                               : error);
            return false;
        }
        if ((next.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            ::SetLastError(kLinkInPath);
            return false;
        }
        current = std::move(next);
    }
    item = std::move(current);
    return true;
}

bool mark_for_deletion(const checked_item& item) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    return ::SetFileInformationByHandle(item.handle.get(), FileDispositionInfo, &disposition,
                                        sizeof(disposition)) != FALSE;
}

std::wstring full_path(const std::wstring& path) {
    if (path.empty()) return path;
    std::wstring full(MAX_PATH, L'\0');
    DWORD length =
        ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length >= full.size()) {
        full.resize(length);
        length =
            ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    }
    if (length == 0 || length >= full.size()) return path;
    full.resize(length);
    return full;
}

std::wstring long_path(const std::wstring& path) {
    const std::wstring full = full_path(path);
    std::wstring long_form(full.size() + MAX_PATH, L'\0');
    const DWORD length =
        ::GetLongPathNameW(full.c_str(), long_form.data(), static_cast<DWORD>(long_form.size()));
    if (length == 0 || length >= long_form.size()) return full;
    long_form.resize(length);
    return long_form;
}

}  // namespace korve::cleanup
