#pragma once

#include <chrono>
#include <optional>

namespace quill::internet::transport {

// How long the waits of one dialogue may last: each turn within the turn time-out, and all
// turns together within the whole's, counted from the deadline's making (which starts the
// first turn). What a turn covers is up to its owner: the connection attempt, one write, one
// reply that must arrive whole. A deadline made without limits bounds nothing.
class deadline {
  public:
    using clock = std::chrono::steady_clock;

    deadline() = default;
    deadline(std::chrono::milliseconds turn, std::chrono::milliseconds whole);

    bool limited() const noexcept { return whole_end_.has_value(); }

    // The waits from now on share a new turn; it never reaches past the whole's end. Does
    // nothing without limits.
    void start_turn();

    // What is left now of the current turn, in milliseconds rounded up; zero once the turn or
    // the whole is over. Only for a limited deadline.
    std::chrono::milliseconds left() const;

  private:
    std::chrono::milliseconds turn_{0};
    std::optional<clock::time_point> whole_end_;
    clock::time_point turn_end_{};
};

}  // namespace quill::internet::transport
