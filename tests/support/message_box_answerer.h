#pragma once

#include <string>
#include <vector>

namespace korve::test {

// A message box seen on the screen: its caption, its text and the button pressed.
struct seen_box {
    std::string caption;
    std::string text;
};

// The visible message boxes (dialog windows of class "#32770") of one process, and what one
// of them shows.
std::vector<void*> visible_message_boxes(unsigned long process_id);
seen_box read_message_box(void* box);

// Finds the visible dialog windows (class "#32770") of one process, records each once and
// presses `button` (IDOK, IDYES, IDNO ...) on it.
class message_box_answerer {
  public:
    explicit message_box_answerer(int button) : button_(button) {}

    // Looks once; returns how many new boxes were answered.
    int answer_boxes_of(unsigned long process_id);

    const std::vector<seen_box>& seen() const noexcept { return seen_; }

    // Suitable as a run_child callback; context is the answerer.
    static void answer(unsigned long process_id, void* context);

  private:
    int button_;
    std::vector<seen_box> seen_;
};

}  // namespace korve::test
