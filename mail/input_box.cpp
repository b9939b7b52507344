#include "mail/input_box.h"

#include <windows.h>

#include "quill/handle.h"

namespace korve::mail {
namespace {

const char* const kClassName = "InputBox";
const char* const kTitle = "Enter your e-mail";

constexpr int kLabelId = 127;
constexpr int kAddressFieldId = 101;
constexpr int kOkId = IDOK;
constexpr int kCancelId = IDCANCEL;
constexpr int kBufferSize = 256;

constexpr int kWidth = 300;
constexpr int kHeight = 200;

// The caller's buffer lives in the window's extra bytes at this offset.
constexpr int kBufferSlot = 0;

struct Control {
    const char* class_name;
    const char* text;
    DWORD style;
    int x, y, width, height;
    int id;
};

// Both buttons carry the default-button style on purpose: the prompt has no dialog manager,
// so neither Enter nor Escape means anything; only clicks and the close box end it.
const Control kControls[] = {
    {"STATIC", "Enter your e-mail address", WS_CHILD | WS_VISIBLE, 8, 30, 270, 25, kLabelId},
    // Scrolling sideways lets the field take an address wider than itself.
    {"EDIT", nullptr, WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 8, 60, 270, 25,
     kAddressFieldId},
    {"BUTTON", "Ok", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, 28, 110, 100, 25, kOkId},
    {"BUTTON", "Cancel", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, 162, 110, 100, 25, kCancelId},
};

void CreateControls(HWND window) {
    const auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrA(window, GWLP_HINSTANCE));
    for (const Control& c : kControls) {
        HWND child =
            ::CreateWindowExA(0, c.class_name, c.text, c.style, c.x, c.y, c.width, c.height, window,
                              reinterpret_cast<HMENU>(INT_PTR{c.id}), instance, nullptr);
        ::ShowWindow(child, SW_SHOWNORMAL);
        ::UpdateWindow(child);
    }
}

void CopyAddressToCallersBuffer(HWND window) {
    auto* buffer = reinterpret_cast<char*>(::GetWindowLongPtrA(window, kBufferSlot));
    if (buffer != nullptr) ::GetDlgItemTextA(window, kAddressFieldId, buffer, kBufferSize);
}

LRESULT CALLBACK InputBoxProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CREATE:
            CreateControls(window);
            return 0;
        case WM_COMMAND:
            if (wparam == kOkId) {
                CopyAddressToCallersBuffer(window);
                ::PostQuitMessage(1);
            } else if (wparam == kCancelId) {
                ::PostQuitMessage(0);
            }
            return 0;
        case WM_CLOSE:
            // The window is destroyed after the loop, by its owner.
            ::PostQuitMessage(0);
            return 0;
        default:
            return ::DefWindowProcA(window, message, wparam, lparam);
    }
}

void RegisterInputBoxClass(HINSTANCE instance) {
    WNDCLASSA window_class{};
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = InputBoxProcedure;
    window_class.cbClsExtra = 0;
    window_class.cbWndExtra = sizeof(LONG_PTR);
    window_class.hInstance = instance;
    window_class.hIcon = nullptr;
    window_class.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszMenuName = nullptr;
    window_class.lpszClassName = kClassName;
    ::RegisterClassA(&window_class);
}

quill::unique_window CreateInputBoxWindow(HINSTANCE instance) {
    const int screen_width = ::GetSystemMetrics(SM_CXSCREEN);
    const int screen_height = ::GetSystemMetrics(SM_CYSCREEN);
    return quill::unique_window(
        ::CreateWindowExA(0, kClassName, kTitle, WS_CAPTION | WS_SYSMENU | WS_THICKFRAME,
                          screen_width / 2 - kWidth / 2, screen_height / 2 - kHeight / 2, kWidth,
                          kHeight, nullptr, nullptr, instance, nullptr));
}

// Waits for each message instead of polling, so a prompt that stays open for minutes costs
// no processor time. Returns the quit code.
int RunMessageLoop() {
    MSG message{};
    for (;;) {
        const BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(message.wParam);  // WM_QUIT
        if (got == -1) return 0;
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
}

}  // namespace

int ShowInputBox(char* buffer) {
    const HINSTANCE instance = ::GetModuleHandleA(nullptr);
    RegisterInputBoxClass(instance);
    int result = 0;
    {
        quill::unique_window window = CreateInputBoxWindow(instance);
        // Without a window no message could ever end the loop.
        if (window) {
            ::ShowWindow(window.get(), SW_SHOW);
            ::UpdateWindow(window.get());
            ::SetWindowLongPtrA(window.get(), kBufferSlot, reinterpret_cast<LONG_PTR>(buffer));
            result = RunMessageLoop();
        }
    }
    ::UnregisterClassA(kClassName, instance);
    return result;
}

}  // namespace korve::mail
