#pragma once

#include <windows.h>

#include <string>

namespace korve::test {

// Drives the sender prompt ("InputBox" window titled "Enter your e-mail") from outside its
// thread, as a person would: through its real window and controls.
constexpr int kInputBoxField = 101;
constexpr int kInputBoxOk = 1;
constexpr int kInputBoxCancel = 2;

// The visible prompt of `process_id` (0: of any process), or nullptr.
HWND find_input_box(unsigned long process_id = 0);

// Waits up to `time_limit_ms` for the prompt to appear; nullptr when it did not.
HWND wait_for_input_box(unsigned long time_limit_ms, unsigned long process_id = 0);

// Waits up to `time_limit_ms` for `window` to be gone; false when it is still there.
bool wait_until_gone(HWND window, unsigned long time_limit_ms);

// Puts `text` into the address field.
void type_into_input_box(HWND box, const std::string& text);

// Types `text` as a person does: clicks into the address field, which takes the focus, then
// sends one WM_CHAR per character to the focused window. False when the field did not get
// the focus (nothing is typed then).
bool type_keys_into_input_box(HWND box, const std::string& text);

// Clicks Ok or Cancel with BM_CLICK.
void click_input_box_button(HWND box, int button_id);

}  // namespace korve::test
