#pragma once

#include <string>

#include "quill/log/listener.h"

namespace quill::log {

class channel;

// Forwards every line into another channel, which stamps it anew; the original prefix is
// dropped and the proxy's own text is put before the line. The target must outlive the proxy.
class proxy : public listener {
  public:
    proxy(channel& target, std::string prefix) : target_(&target), prefix_(std::move(prefix)) {}
    void write(int level, const std::string& prefix, const std::string& text) override;

  private:
    channel* target_;
    std::string prefix_;
};

}  // namespace quill::log
