#include "quill/internet/transport/deadline.h"

#include <algorithm>

namespace quill::internet::transport {

deadline::deadline(std::chrono::milliseconds turn, std::chrono::milliseconds whole)
    : turn_(turn), whole_end_(clock::now() + whole) {
    start_turn();
}

void deadline::start_turn() {
    if (!whole_end_) return;
    turn_end_ = std::min(clock::now() + turn_, *whole_end_);
}

std::chrono::milliseconds deadline::left() const {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(turn_end_ - clock::now());
    return std::max(left, std::chrono::milliseconds(0));
}

}  // namespace quill::internet::transport
