#include "quill/log/file.h"

#include <windows.h>

#include <utility>

#include "quill/format.h"
#include "quill/log/errors.h"
#include "quill/system_message.h"
#include "quill/unicode/conversion.h"

namespace quill::log {
namespace {

const std::string byte_order_mark = "\xEF\xBB\xBF";

// A lock that this listener already holds, released once: early by release(), whose failure
// reaches the writer, or at the end of the scope when an error passes.
class held_lock {
  public:
    explicit held_lock(real_mutex* lock) noexcept : lock_(lock) {}
    ~held_lock() {
        try {
            release();
        } catch (...) {
            // A destructor must not throw; a failed release surfaces at the next wait.
        }
    }
    held_lock(const held_lock&) = delete;
    held_lock& operator=(const held_lock&) = delete;

    void release() {
        if (real_mutex* const lock = std::exchange(lock_, nullptr)) lock->release();
    }

  private:
    real_mutex* lock_;
};

// "\\?\C:\..." for an open handle, links resolved; empty when the system cannot tell.
std::wstring final_path(HANDLE handle) {
    std::wstring path(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD length =
            ::GetFinalPathNameByHandleW(handle, &path[0], static_cast<DWORD>(path.size()),
                                        FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0) return std::wstring();
        if (length < path.size()) return path.substr(0, length);
        path.assign(length, L'\0');  // too small: length counts the terminator
    }
    return std::wstring();
}

// Why the file open as `file` under `name` is not the plain file that name denotes in its
// folder; 0 when it is. The folder's own links (a relocated profile, say) are the system's
// arrangement and count as its place.
DWORD not_a_plain_file(HANDLE file, const std::string& name) {
    BY_HANDLE_FILE_INFORMATION information{};
    if (!::GetFileInformationByHandle(file, &information)) return ::GetLastError();
    if ((information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return ERROR_CANT_ACCESS_FILE;
    }
    // Its other names may lie anywhere, outside the folder too.
    if (information.nNumberOfLinks > 1) return ERROR_TOO_MANY_LINKS;

    // Wine shows a Unix file link as a plain file; only its final path gives it away.
    const std::wstring wide_name = unicode::to_wide(name, unicode::ansi_codepage);
    wchar_t full[MAX_PATH * 4];
    wchar_t* leaf = nullptr;
    const DWORD length = ::GetFullPathNameW(wide_name.c_str(), MAX_PATH * 4, full, &leaf);
    if (length == 0 || length >= MAX_PATH * 4 || leaf == nullptr) return ERROR_INVALID_NAME;
    const std::wstring leaf_name(leaf);
    std::wstring folder_name(full, leaf);
    if (folder_name.size() > 1 && folder_name.back() == L'\\' &&
        folder_name[folder_name.size() - 2] != L':') {
        folder_name.pop_back();
    }
    const unique_file folder(::CreateFileW(folder_name.c_str(), FILE_READ_ATTRIBUTES,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                           nullptr));
    if (!folder) return ::GetLastError();
    std::wstring expected = final_path(folder.get());
    const std::wstring actual = final_path(file);
    if (expected.empty() || actual.empty()) return ERROR_CANT_ACCESS_FILE;
    if (expected.back() != L'\\') expected += L'\\';
    expected += leaf_name;
    if (::CompareStringOrdinal(expected.c_str(), static_cast<int>(expected.size()), actual.c_str(),
                               static_cast<int>(actual.size()), TRUE) != CSTR_EQUAL) {
        return ERROR_CANT_ACCESS_FILE;
    }
    return 0;
}

}  // namespace

std::string file::lock_name_for(const std::string& base_name) {
    std::string name = "log-" + base_name;
    for (char& c : name) {
        if (c == '\\') c = '_';
    }
    return name;
}

file::file(const std::string& base_name, std::uint32_t maximum_size, std::uint32_t kept_copies)
    : base_name_(base_name), maximum_size_(maximum_size), kept_copies_(kept_copies) {
    try {
        lock_.emplace(lock_name_for(base_name));
    } catch (const exception&) {
        // Someone else's mutex of that name, which admits nobody else or belongs to an ordinary
        // user: the lines still go out.
    }
    const std::string name = current_name();
    // A link is opened as itself, so that a link to a missing file creates nothing elsewhere.
    const DWORD flags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
    handle_.reset(::CreateFileA(name.c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_ALWAYS, flags, nullptr));
    if (!handle_) {
        handle_.reset(::CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_ALWAYS, flags, nullptr));
    }
    if (!handle_) throw generic("CreateFile failed: " + system_message(::GetLastError()));
    // The current folder is often one that an ordinary user owns: the name may lead elsewhere.
    const DWORD refusal = not_a_plain_file(handle_.get(), name);
    if (refusal != 0 || !identity_of(handle_.get(), identity_)) {
        handle_.reset();
        throw generic("CreateFile failed: " +
                      system_message(refusal != 0 ? refusal : ERROR_CANT_ACCESS_FILE));
    }

    // Under the lock, so that a second listener opening the same new file adds no second mark.
    held_lock guard(take_lock() ? &*lock_ : nullptr);
    if (::GetFileSize(handle_.get(), nullptr) == 0) write_bytes(byte_order_mark);
    // Released here rather than by the guard, whose destructor has to swallow a failure.
    guard.release();
}

bool file::take_lock() {
    if (!lock_ || lock_wait_left_ms_ == 0) return false;
    const ULONGLONG started = ::GetTickCount64();
    const bool taken = lock_->try_acquire(lock_wait_left_ms_);
    const ULONGLONG waited = ::GetTickCount64() - started;
    // A run writes hundreds of lines: a holder that lets each of them through only just in
    // time must not multiply the wait. Whoever outlasts the budget may hold it for ever.
    lock_wait_left_ms_ = !taken || waited >= lock_wait_left_ms_
                             ? 0
                             : lock_wait_left_ms_ - static_cast<unsigned long>(waited);
    return taken;
}

std::string file::current_name() const {
    return base_name_ + ".log.txt";
}

std::string file::copy_name(std::uint32_t number) const {
    return format("%s.%i.log.txt", base_name_.c_str(), static_cast<int>(number));
}

void file::write_bytes(const std::string& bytes) {
    ::SetFilePointer(handle_.get(), 0, nullptr, FILE_END);
    DWORD written = 0;
    ::WriteFile(handle_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void file::truncate() {
    ::SetFilePointer(handle_.get(), 0, nullptr, FILE_BEGIN);
    ::SetEndOfFile(handle_.get());
    write_bytes(byte_order_mark);
}

void file::rotate() {
    const std::string current = current_name();
    bool shifted = false;
    std::uint32_t number = 1;
    for (;;) {
        const std::string copy = copy_name(number);
        if (kept_copies_ == 1) ::DeleteFileA(copy.c_str());
        if (::CopyFileA(current.c_str(), copy.c_str(), TRUE)) return;
        if (number < kept_copies_) {
            ++number;
            continue;
        }
        // Every number is taken or copying is impossible. Shift once (dropping the oldest)
        // and try again; a second failure means the copy cannot be made at all.
        if (shifted) return;
        for (std::uint32_t j = 1; j < kept_copies_; ++j) {
            if (!::MoveFileExA(copy_name(j + 1).c_str(), copy_name(j).c_str(),
                               MOVEFILE_REPLACE_EXISTING)) {
                break;
            }
        }
        shifted = true;
    }
}

void file::write(int /*level*/, const std::string& prefix, const std::string& text) {
    held_lock guard(take_lock() ? &*lock_ : nullptr);
    if (::GetFileSize(handle_.get(), nullptr) >= maximum_size_) {
        if (kept_copies_ != 0) rotate();
        truncate();
    }
    write_bytes(format("%s%s\r\n", prefix.c_str(), text.c_str()));
    // A failed release reaches the writer; the guard would have to swallow it.
    guard.release();
}

}  // namespace quill::log
