#pragma once

#include <memory>
#include <string>
#include <vector>

#include "quill/log/channel.h"

namespace korve::test {

// Collects the texts (without the time-stamp prefix) written to one channel while it lives; the
// channel is closed at the end, which removes every listener.
class captured_lines {
  public:
    explicit captured_lines(quill::log::channel& channel);
    ~captured_lines();
    captured_lines(const captured_lines&) = delete;
    captured_lines& operator=(const captured_lines&) = delete;

    const std::vector<std::string>& lines() const noexcept { return *lines_; }
    void clear() { lines_->clear(); }

  private:
    quill::log::channel& channel_;
    std::shared_ptr<std::vector<std::string>> lines_;
};

// The lines from the one equal to `first` up to, not including, the one equal to `end`
// (to the last line when `end` is empty or absent).
std::vector<std::string> lines_between(const std::vector<std::string>& lines,
                                       const std::string& first, const std::string& end = "");

}  // namespace korve::test
