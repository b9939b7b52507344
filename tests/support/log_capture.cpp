#include "tests/support/log_capture.h"

namespace korve::test {
namespace {

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

log_capture::log_capture(quill::log::channel& channel)
    : channel_(channel), lines_(std::make_shared<std::vector<std::string>>()) {
    channel_.attach(0, std::make_unique<collecting_listener>(lines_));
}

log_capture::~log_capture() {
    channel_.close();
}

}  // namespace korve::test
