#include "quill/log/file.h"

#include <windows.h>

#include <algorithm>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "quill/format.h"
#include "quill/fs/normal_path.h"
#include "quill/fs/open.h"
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

// The log's folder as the system resolves it (a relocated profile, say, is the system's
// arrangement), and its name inside it.
void split_log_path(const std::string& name, std::wstring& folder, std::wstring& leaf) {
    const std::wstring full = fs::normal_path(unicode::to_wide(name, unicode::ansi_codepage));
    folder = fs::folder_of(full);
    const std::size_t last = full.find_last_of(L"\\/");
    if (folder.empty() || last + 1 == full.size()) {
        throw generic("CreateFile failed: " + system_message(ERROR_INVALID_NAME));
    }
    leaf = full.substr(last + 1);
}

// An existing log is opened first; a new one is created only as a new file, so that a dangling
// link of that name (which Wine would follow when creating) leads nowhere.
bool open_log(const fs::item& folder, const std::wstring& leaf, fs::sharing share,
              std::optional<fs::item>& out) {
    if (!fs::open_link_no_reparse(folder, leaf, fs::item_kind::file, GENERIC_WRITE, out, share)) {
        return false;
    }
    return out || fs::create_new_file(folder, leaf, GENERIC_WRITE, share, out);
}

// Why the file opened as `log` is not the plain file its name denotes; 0 when it is. A name
// that resolved elsewhere has been refused by the open already.
DWORD not_a_plain_file(const fs::item& log) {
    if (log.is_link()) return ERROR_CANT_ACCESS_FILE;
    // Its other names may lie anywhere, outside the folder too.
    if (log.hard_links > 1) return ERROR_TOO_MANY_LINKS;
    return 0;
}

// Log files whose lines were not all written, by identity: each listener of the same file
// knows what the others lost.
std::mutex cut_files_lock;
std::vector<fs::file_identity> cut_files;

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
    // The current folder is often one that an ordinary user owns: the name may lead elsewhere.
    std::wstring folder_name;
    std::wstring leaf;
    split_log_path(current_name(), folder_name, leaf);
    std::optional<fs::item> folder;
    std::optional<fs::item> opened;
    if (!fs::open_root(folder_name, folder) || !folder ||
        (!open_log(*folder, leaf, fs::sharing::everything, opened) &&
         !open_log(*folder, leaf, fs::sharing::read_write, opened))) {
        const DWORD error = ::GetLastError();
        throw generic("CreateFile failed: " +
                      system_message(error != 0 ? error : ERROR_PATH_NOT_FOUND));
    }
    const DWORD refusal = not_a_plain_file(*opened);
    if (refusal != 0 || !fs::identity_of(opened->handle.get(), identity_)) {
        throw generic("CreateFile failed: " +
                      system_message(refusal != 0 ? refusal : ERROR_CANT_ACCESS_FILE));
    }
    handle_ = std::move(opened->handle);

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

std::string file::name_for(const std::string& base_name) {
    return base_name + ".log.txt";
}

std::string file::current_name() const {
    return name_for(base_name_);
}

std::string file::copy_name(std::uint32_t number) const {
    return format("%s.%i.log.txt", base_name_.c_str(), static_cast<int>(number));
}

void file::write_bytes(const std::string& bytes) {
    // Once a write has failed the file misses lines; further ones would only make it look whole.
    if (cut_) return;
    DWORD error = ERROR_SUCCESS;
    if (!::SetFilePointerEx(handle_.get(), LARGE_INTEGER{}, nullptr, FILE_END)) {
        error = ::GetLastError();
    }
    const char* next = bytes.data();
    std::size_t left = bytes.size();
    while (error == ERROR_SUCCESS && left > 0) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(left < (1u << 30) ? left : (1u << 30));
        if (!::WriteFile(handle_.get(), next, chunk, &written, nullptr)) {
            error = ::GetLastError();
        } else if (written == 0) {
            error = ERROR_DISK_FULL;  // no progress: the same call would fail again
        }
        next += written;
        left -= written;
    }
    if (error == ERROR_SUCCESS) return;
    cut_ = true;
    {
        const std::lock_guard<std::mutex> guard(cut_files_lock);
        cut_files.push_back(identity_);
    }
    throw generic("WriteFile failed: " + system_message(error));
}

bool file::lost_lines(const fs::file_identity& log) {
    const std::lock_guard<std::mutex> guard(cut_files_lock);
    return std::find(cut_files.begin(), cut_files.end(), log) != cut_files.end();
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
    if (cut_) return;
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
