#pragma once

#include <string>

namespace quill::log {

// A sink for the lines of one channel.
class listener {
  public:
    virtual ~listener() = default;
    // prefix: the channel's time stamp and level letter; text: UTF-8. May throw; the error
    // reaches the writer of the line.
    virtual void write(int level, const std::string& prefix, const std::string& text) = 0;
};

}  // namespace quill::log
