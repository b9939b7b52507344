#pragma once

#include <map>
#include <memory>
#include <string>

#include "quill/log/listener.h"
#include "quill/log/mutex.h"

namespace quill::log {

// Line levels; the program writes every line at level 1 (printed as a blank).
constexpr int level_note = 1;
// Appends a description of the exception being handled; only inside a handler.
constexpr int level_exception = 5;

// Stamps each line with the local time and a level letter and hands it to every attached
// listener, one line at a time under the channel's lock. Control characters (U+0000 to
// U+001F, U+007F) in a line are handed on escaped ("\r", "\n", "\t", "\x01" ...): one write
// is always one line.
class channel : public quill::mutex {
  public:
    channel() = default;
    ~channel();

    // Takes ownership. Listeners filed under minimum level 0 receive every line.
    void attach(int minimum_level, std::unique_ptr<listener> sink);
    // Deletes every attached listener; the channel stays usable.
    void close();
    bool empty();

    // Wide text: the core write. A listener's error propagates (the lock is released).
    void write(int level, const std::wstring& text);
    // Narrow text, read as ANSI and, failing that, as UTF-8; when both fail the fixed line
    // "quill::log: unable to convert input to unicode" is written instead.
    void write(int level, const std::string& text);
    // printf-style: %s narrow, %ls wide arguments.
    void write(int level, const char* format, ...);
    void write(int level, const wchar_t* format, ...);

    // "%.4d/%.2d/%.2d %.2d:%.2d:%.2d %c  " of the given local time and level.
    static std::string make_prefix(int level, const SYSTEMTIME& local_time);

  private:
    std::multimap<int, std::unique_ptr<listener>> listeners_;
};

}  // namespace quill::log
