#include "tests/support/message_box_answerer.h"

#include <windows.h>

namespace korve::test {
namespace {

struct search {
    DWORD process_id;
    std::vector<HWND> boxes;
};

BOOL CALLBACK collect_box(HWND window, LPARAM context) {
    auto& wanted = *reinterpret_cast<search*>(context);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    char class_name[64] = {};
    ::GetClassNameA(window, class_name, sizeof(class_name));
    if (owner == wanted.process_id && ::IsWindowVisible(window) &&
        std::string(class_name) == "#32770") {
        wanted.boxes.push_back(window);
    }
    return TRUE;
}

std::string window_text(HWND window) {
    char text[2048] = {};
    ::GetWindowTextA(window, text, sizeof(text));
    return text;
}

// The message text is the static control 0xFFFF of a message box.
std::string box_text(HWND box) {
    char text[4096] = {};
    ::GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
    return text;
}

}  // namespace

std::vector<void*> visible_message_boxes(unsigned long process_id) {
    search wanted{process_id, {}};
    ::EnumWindows(collect_box, reinterpret_cast<LPARAM>(&wanted));
    return std::vector<void*>(wanted.boxes.begin(), wanted.boxes.end());
}

seen_box read_message_box(void* box) {
    const HWND window = static_cast<HWND>(box);
    return {window_text(window), box_text(window)};
}

int message_box_answerer::answer_boxes_of(unsigned long process_id) {
    int answered = 0;
    for (void* handle : visible_message_boxes(process_id)) {
        const HWND box = static_cast<HWND>(handle);
        seen_.push_back(read_message_box(box));
        ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(button_, BN_CLICKED), 0);
        ++answered;
    }
    if (answered > 0) ::Sleep(200);  // let the box close before the next look
    return answered;
}

void message_box_answerer::answer(unsigned long process_id, void* context) {
    static_cast<message_box_answerer*>(context)->answer_boxes_of(process_id);
}

}  // namespace korve::test
