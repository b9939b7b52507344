#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "quill/handle.h"
#include "quill/fs/file_identity.h"
#include "quill/log/listener.h"
#include "quill/log/real_mutex.h"

namespace quill::log {

// Appends lines (prefix, UTF-8 text, CR LF) to "<base name>.log.txt" in the current
// directory. A new or truncated file starts with the UTF-8 byte-order mark. Every write holds
// the system-wide mutex "log-<base name>" (backslashes as "_"), so several listeners, in one
// process or several, append whole lines to the same file. All waits for the lock together
// last at most real_mutex::wait_limit_ms over the listener's life; once that is spent, this
// listener writes without the lock for the rest of its life (a lost line is worse than an
// interleaved one), and so it does when the lock can be neither created nor opened, or
// belongs to someone other than SYSTEM or the Administrators group.
class file : public listener {
  public:
    // Opens the file without following a link, and creates it only when no such name exists.
    // Throws log::generic "CreateFile failed: <system text>" when the file cannot be opened
    // or is not a plain file of its folder: a link (ERROR_CANT_ACCESS_FILE), a file reached
    // through a link (ERROR_REPARSE_POINT_ENCOUNTERED), or a file with more than one name
    // (ERROR_TOO_MANY_LINKS); nothing has been written to it then.
    file(const std::string& base_name, std::uint32_t maximum_size, std::uint32_t kept_copies);

    // When the file has reached the maximum size it is first emptied; with kept copies its
    // content is kept as "<base name>.<n>.log.txt" (1 oldest). A copy that cannot be made
    // never stops the line from being written. A line that cannot be written whole (a full
    // disk) throws log::generic "WriteFile failed: <system text>" once; the listener then
    // writes nothing more (see lost_lines).
    void write(int level, const std::string& prefix, const std::string& text) override;

    static std::string lock_name_for(const std::string& base_name);

    // The name of the file that a listener with this base name writes: "<base name>.log.txt".
    static std::string name_for(const std::string& base_name);

    // True when a line for the file `log` could not be written whole by a listener of this
    // process: the file is not the whole log.
    static bool lost_lines(const fs::file_identity& log);

    // The file this listener writes (volume serial number and file id).
    const fs::file_identity& identity() const noexcept { return identity_; }

  private:
    // True when the lock is now held; false without a lock or once the wait budget is spent.
    bool take_lock();
    void write_bytes(const std::string& bytes);
    void truncate();
    void rotate();
    std::string current_name() const;
    std::string copy_name(std::uint32_t number) const;

    std::optional<real_mutex> lock_;
    unsigned long lock_wait_left_ms_ = real_mutex::wait_limit_ms;
    std::string base_name_;
    std::uint32_t maximum_size_;
    std::uint32_t kept_copies_;
    unique_file handle_;
    fs::file_identity identity_;
    bool cut_ = false;
};

}  // namespace quill::log
