#pragma once

#include <memory>
#include <string>
#include <vector>

#include "quill/log/channel.h"

namespace korve::test {

// Collects the texts (without the time-stamp prefix) written to a channel while it lives; the
// channel is closed at the end, which removes every listener.
class log_capture {
  public:
    explicit log_capture(quill::log::channel& channel);
    ~log_capture();
    log_capture(const log_capture&) = delete;
    log_capture& operator=(const log_capture&) = delete;

    const std::vector<std::string>& lines() const noexcept { return *lines_; }
    void clear() { lines_->clear(); }

  private:
    quill::log::channel& channel_;
    std::shared_ptr<std::vector<std::string>> lines_;
};

}  // namespace korve::test
