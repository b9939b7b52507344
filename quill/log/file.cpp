#include "quill/log/file.h"

#include <windows.h>

#include "quill/format.h"
#include "quill/log/errors.h"
#include "quill/log/scope.h"
#include "quill/system_message.h"

namespace quill::log {
namespace {

const std::string byte_order_mark = "\xEF\xBB\xBF";

}  // namespace

std::string file::lock_name_for(const std::string& base_name) {
    std::string name = "log-" + base_name;
    for (char& c : name) {
        if (c == '\\') c = '_';
    }
    return name;
}

file::file(const std::string& base_name, std::uint32_t maximum_size, std::uint32_t kept_copies)
    : lock_(lock_name_for(base_name)),
      base_name_(base_name),
      maximum_size_(maximum_size),
      kept_copies_(kept_copies) {
    const std::string name = current_name();
    handle_.reset(::CreateFileA(name.c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle_) {
        handle_.reset(::CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    if (!handle_) throw generic("CreateFile failed: " + system_message(::GetLastError()));

    // Under the lock, so that a second listener opening the same new file adds no second mark.
    scope guard(lock_);
    if (::GetFileSize(handle_.get(), nullptr) == 0) write_bytes(byte_order_mark);
    // Released here rather than by the guard, whose destructor has to swallow a failure.
    guard.release();
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
    scope guard(lock_);
    if (::GetFileSize(handle_.get(), nullptr) >= maximum_size_) {
        if (kept_copies_ != 0) rotate();
        truncate();
    }
    write_bytes(format("%s%s\r\n", prefix.c_str(), text.c_str()));
    // A failed release reaches the writer; the guard would have to swallow it.
    guard.release();
}

}  // namespace quill::log
