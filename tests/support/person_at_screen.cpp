#include "tests/support/person_at_screen.h"

#include <windows.h>

#include <cstdio>

#include "tests/support/input_box_window.h"
#include "tests/support/message_box_answerer.h"

namespace korve::test {

void person_at_screen::answer_boxes(unsigned long process_id) {
    for (void* handle : visible_message_boxes(process_id)) {
        const HWND window = static_cast<HWND>(handle);
        const seen_box box = read_message_box(window);
        boxes_.push_back(box);
        if (narrate_) std::printf("box     \"%s\": %s\n", box.caption.c_str(), box.text.c_str());
        const int button = box.caption == "Velocore support" ? IDYES : IDOK;
        ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        wait_until_gone(window, 5000);
    }
}

void person_at_screen::answer_prompt(unsigned long process_id) {
    HWND prompt = find_input_box(process_id);
    if (prompt == nullptr) return;
    ++prompts_;
    if (narrate_) {
        std::printf("prompt  \"Enter your e-mail\": typed %s, clicked Ok\n", address_.c_str());
    }
    type_into_input_box(prompt, address_);
    click_input_box_button(prompt, kInputBoxOk);
    wait_until_gone(prompt, 5000);
}

void person_at_screen::act_on(unsigned long process_id) {
    answer_boxes(process_id);
    answer_prompt(process_id);
    if (narrate_) std::fflush(stdout);
}

void person_at_screen::act(unsigned long process_id, void* context) {
    static_cast<person_at_screen*>(context)->act_on(process_id);
}

}  // namespace korve::test
