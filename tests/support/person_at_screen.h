#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tests/support/message_box_answerer.h"

namespace korve::test {

// The person at the screen at the end of a run of the program: answers Yes to the offer of
// the log ("Velocore support"), Ok to every other message box, and types `address` into the
// sender prompt and clicks Ok, all through the real windows. Records what it met.
class person_at_screen {
  public:
    explicit person_at_screen(std::string address, bool narrate = false)
        : address_(std::move(address)), narrate_(narrate) {}

    // One look at the process's windows, answering what is there.
    void act_on(unsigned long process_id);

    // Suitable as a run_child callback; context is the person.
    static void act(unsigned long process_id, void* context);

    const std::vector<seen_box>& boxes() const noexcept { return boxes_; }
    int prompts() const noexcept { return prompts_; }

  private:
    void answer_boxes(unsigned long process_id);
    void answer_prompt(unsigned long process_id);

    std::string address_;
    bool narrate_;  // print each box and prompt to standard output as it is answered
    std::vector<seen_box> boxes_;
    int prompts_ = 0;
};

}  // namespace korve::test
