#include "tests/support/captured_lines.h"

#include <algorithm>

#include "quill/log/listener.h"

namespace korve::test {
namespace {

// Shares the lines with the capture, so a listener the channel still holds never writes into
// a capture that has gone.
class collecting_listener : public quill::log::listener {
  public:
    explicit collecting_listener(std::shared_ptr<std::vector<std::string>> lines)
        : lines_(std::move(lines)) {}
    void write(int, const std::string&, const std::string& text) override {
        lines_->push_back(text);
    }

  private:
    std::shared_ptr<std::vector<std::string>> lines_;
};

}  // namespace

captured_lines::captured_lines(quill::log::channel& channel)
    : channel_(channel), lines_(std::make_shared<std::vector<std::string>>()) {
    channel_.attach(0, std::make_unique<collecting_listener>(lines_));
}

captured_lines::~captured_lines() {
    channel_.close();
}

std::vector<std::string> lines_between(const std::vector<std::string>& lines,
                                       const std::string& first, const std::string& end) {
    auto begin = std::find(lines.begin(), lines.end(), first);
    auto stop = end.empty() ? lines.end() : std::find(begin, lines.end(), end);
    return std::vector<std::string>(begin, stop);
}

}  // namespace korve::test
