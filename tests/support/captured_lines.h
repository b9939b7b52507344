#pragma once

#include <memory>
#include <string>
#include <vector>

#include "quill/log/channel.h"
#include "quill/log/listener.h"

namespace korve::test {

// Collects the texts (without prefix) of the lines written to one channel while it lives.
class captured_lines {
  public:
    explicit captured_lines(quill::log::channel& channel) : channel_(channel) {
        channel_.attach(0, std::make_unique<sink>(lines_));
    }
    ~captured_lines() { channel_.close(); }
    captured_lines(const captured_lines&) = delete;
    captured_lines& operator=(const captured_lines&) = delete;

    const std::vector<std::string>& lines() const noexcept { return lines_; }
    void clear() { lines_.clear(); }

  private:
    class sink : public quill::log::listener {
      public:
        explicit sink(std::vector<std::string>& lines) : lines_(lines) {}
        void write(int, const std::string&, const std::string& text) override {
            lines_.push_back(text);
        }

      private:
        std::vector<std::string>& lines_;
    };

    quill::log::channel& channel_;
    std::vector<std::string> lines_;
};

// The lines from the one equal to `first` up to, not including, the one equal to `end`
// (to the last line when `end` is empty or absent).
std::vector<std::string> lines_between(const std::vector<std::string>& lines,
                                       const std::string& first, const std::string& end = "");

}  // namespace korve::test
