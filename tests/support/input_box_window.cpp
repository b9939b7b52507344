#include "tests/support/input_box_window.h"

namespace korve::test {
namespace {

struct search {
    DWORD process_id;
    HWND found;
};

BOOL CALLBACK match_input_box(HWND window, LPARAM context) {
    auto& wanted = *reinterpret_cast<search*>(context);
    char class_name[64] = {};
    char title[64] = {};
    ::GetClassNameA(window, class_name, sizeof(class_name));
    ::GetWindowTextA(window, title, sizeof(title));
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (std::string(class_name) == "InputBox" && std::string(title) == "Enter your e-mail" &&
        ::IsWindowVisible(window) && (wanted.process_id == 0 || owner == wanted.process_id)) {
        wanted.found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND find_input_box(unsigned long process_id) {
    search wanted{process_id, nullptr};
    ::EnumWindows(match_input_box, reinterpret_cast<LPARAM>(&wanted));
    return wanted.found;
}

HWND wait_for_input_box(unsigned long time_limit_ms, unsigned long process_id) {
    const ULONGLONG deadline = ::GetTickCount64() + time_limit_ms;
    for (;;) {
        if (HWND box = find_input_box(process_id)) return box;
        if (::GetTickCount64() >= deadline) return nullptr;
        ::Sleep(20);
    }
}

bool wait_until_gone(HWND window, unsigned long time_limit_ms) {
    const ULONGLONG deadline = ::GetTickCount64() + time_limit_ms;
    while (::IsWindow(window)) {
        if (::GetTickCount64() >= deadline) return false;
        ::Sleep(20);
    }
    return true;
}

void type_into_input_box(HWND box, const std::string& text) {
    ::SetDlgItemTextA(box, kInputBoxField, text.c_str());
}

bool type_keys_into_input_box(HWND box, const std::string& text) {
    HWND field = ::GetDlgItem(box, kInputBoxField);
    const LPARAM inside = MAKELPARAM(4, 4);
    ::SendMessageA(field, WM_LBUTTONDOWN, MK_LBUTTON, inside);
    ::SendMessageA(field, WM_LBUTTONUP, 0, inside);
    GUITHREADINFO focus{};
    focus.cbSize = sizeof(focus);
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(box, nullptr), &focus) ||
        focus.hwndFocus != field) {
        return false;
    }
    // Sent, not posted: each character is in the field before the next step (a click on Ok)
    // can be handled.
    for (const char c : text) {
        ::SendMessageA(focus.hwndFocus, WM_CHAR, static_cast<unsigned char>(c), 1);
    }
    return true;
}

void click_input_box_button(HWND box, int button_id) {
    ::SendMessageA(::GetDlgItem(box, button_id), BM_CLICK, 0, 0);
}

}  // namespace korve::test
