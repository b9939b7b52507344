#pragma once

#include <cstdint>
#include <string>

#include "quill/handle.h"
#include "quill/log/listener.h"
#include "quill/log/real_mutex.h"

namespace quill::log {

// Appends lines (prefix, UTF-8 text, CR LF) to "<base name>.log.txt" in the current
// directory. A new or truncated file starts with the UTF-8 byte-order mark. Every write holds
// the system-wide mutex "log-<base name>" (backslashes as "_"), so several listeners, in one
// process or several, append whole lines to the same file.
class file : public listener {
  public:
    // Throws log::generic "CreateFile failed: <system text>" when the file cannot be opened,
    // quill::exception when the lock cannot be created.
    file(const std::string& base_name, std::uint32_t maximum_size, std::uint32_t kept_copies);

    // When the file has reached the maximum size it is first emptied; with kept copies its
    // content is kept as "<base name>.<n>.log.txt" (1 oldest). A copy that cannot be made
    // never stops the line from being written.
    void write(int level, const std::string& prefix, const std::string& text) override;

    static std::string lock_name_for(const std::string& base_name);

  private:
    void write_bytes(const std::string& bytes);
    void truncate();
    void rotate();
    std::string current_name() const;
    std::string copy_name(std::uint32_t number) const;

    real_mutex lock_;
    std::string base_name_;
    std::uint32_t maximum_size_;
    std::uint32_t kept_copies_;
    unique_file handle_;
};

}  // namespace quill::log
