#include "tests/support/person_at_screen.h"

#include <windows.h>

#include <cstdio>

#include "tests/support/input_box_window.h"

namespace korve::test {
namespace {

struct box_search {
    DWORD process_id;
    std::vector<HWND> boxes;
};

BOOL CALLBACK collect_box(HWND window, LPARAM context) {
    auto& search = *reinterpret_cast<box_search*>(context);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    char class_name[64] = {};
    ::GetClassNameA(window, class_name, sizeof(class_name));
    if (owner == search.process_id && ::IsWindowVisible(window) &&
        std::string(class_name) == "#32770") {
        search.boxes.push_back(window);
    }
    return TRUE;
}

}  // namespace

void person_at_screen::answer_boxes(unsigned long process_id) {
    box_search search{process_id, {}};
    ::EnumWindows(collect_box, reinterpret_cast<LPARAM>(&search));
    for (HWND window : search.boxes) {
        char caption[256] = {};
        char text[4096] = {};
        ::GetWindowTextA(window, caption, sizeof(caption));
        // The message text is the static control 0xFFFF of a message box.
        ::GetDlgItemTextA(window, 0xFFFF, text, sizeof(text));
        boxes_.push_back({caption, text});
        if (narrate_) std::printf("box     \"%s\": %s\n", caption, text);
        const int button = std::string(caption) == "Velocore support" ? IDYES : IDOK;
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
