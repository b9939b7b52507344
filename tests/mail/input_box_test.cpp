#include "mail/input_box.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <iostream>
#include <iterator>
#include <memory>
#include <type_traits>
#include <vector>
#include <string>
#include <thread>

#include "tests/support/input_box_window.h"

namespace {

using korve::mail::ShowInputBox;
using korve::test::click_input_box_button;
using korve::test::kInputBoxCancel;
using korve::test::kInputBoxOk;
using korve::test::type_into_input_box;

constexpr unsigned char kSentinel = 0xBD;
constexpr int kAbandoned = 77;  // the prompt's result when the test had to end it

// Shows the real prompt on this thread while `person` acts on it from another thread, as a
// user would. The person gets the prompt's window, or nullptr when none appeared.
struct prompt_run {
    int result = -1;
    char buffer[512];

    explicit prompt_run(const std::function<void(HWND)>& person) {
        std::memset(buffer, kSentinel, sizeof(buffer));
        const DWORD prompt_thread = ::GetCurrentThreadId();
        std::thread other([&person, prompt_thread] {
            // The first window of a process can take seconds under Wine on a busy machine.
            HWND box = korve::test::wait_for_input_box(60000, ::GetCurrentProcessId());
            person(box);
            // Whatever the person did, the prompt must end so the test can.
            if (box == nullptr || !korve::test::wait_until_gone(box, 5000)) {
                ::PostThreadMessageA(prompt_thread, WM_QUIT, kAbandoned, 0);
            }
        });
        result = ShowInputBox(buffer);
        other.join();
    }

    bool untouched() const {
        for (unsigned char byte : buffer) {
            if (byte != kSentinel) return false;
        }
        return true;
    }
};

struct ok_case {
    const char* name;
    std::string typed;
    std::string expected;
};

TEST(InputBoxTest, OkCopiesTheFieldIntoTheBufferCutTo255Characters) {
    const std::string long_text(300, 'x');
    const ok_case cases[] = {
        {"address", "someone@example.org", "someone@example.org"},
        {"empty field", "", ""},
        {"at sign alone", "@", "@"},
        {"300 characters", long_text, long_text.substr(0, 255)},
    };
    for (const ok_case& c : cases) {
        prompt_run run([&c](HWND box) {
            ASSERT_NE(nullptr, box);
            type_into_input_box(box, c.typed);
            click_input_box_button(box, kInputBoxOk);
        });
        EXPECT_EQ(1, run.result) << c.name;
        EXPECT_EQ(c.expected, std::string(run.buffer)) << c.name;
        EXPECT_EQ(kSentinel, static_cast<unsigned char>(run.buffer[256])) << c.name << ": overrun";
    }
}

// A field without sideways scrolling refuses typed characters once it is full (a paste
// past its width is cut the same way); an address as long as a person's must go in whole.
TEST(InputBoxTest, TypedAddressWiderThanTheFieldArrivesWhole) {
    const std::string address =
        "firstname.middlename.lastname-" + std::string(28, 'q') + "@example.org";
    ASSERT_EQ(70u, address.size());
    bool focused = false;
    prompt_run run([&](HWND box) {
        ASSERT_NE(nullptr, box);
        focused = korve::test::type_keys_into_input_box(box, address);
        click_input_box_button(box, kInputBoxOk);
    });
    EXPECT_TRUE(focused) << "the click did not give the field the focus";
    EXPECT_EQ(1, run.result);
    EXPECT_EQ(address, std::string(run.buffer));
}

TEST(InputBoxTest, CancelAndTheCloseBoxReturnZeroAndLeaveTheBufferUntouched) {
    const std::function<void(HWND)> ways_out[] = {
        [](HWND box) { click_input_box_button(box, kInputBoxCancel); },
        [](HWND box) { ::PostMessageA(box, WM_CLOSE, 0, 0); },
        [](HWND box) { ::SendMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0); },
    };
    int way = 0;
    for (const auto& leave : ways_out) {
        prompt_run run([&leave](HWND box) {
            ASSERT_NE(nullptr, box);
            type_into_input_box(box, "typed@example.org");
            leave(box);
        });
        EXPECT_EQ(0, run.result) << "way out " << way;
        EXPECT_TRUE(run.untouched()) << "way out " << way;
        ++way;
    }
}

TEST(InputBoxTest, EnterAndEscapeInTheFieldDoNotEndThePrompt) {
    bool still_open = false;
    prompt_run run([&still_open](HWND box) {
        ASSERT_NE(nullptr, box);
        HWND field = ::GetDlgItem(box, korve::test::kInputBoxField);
        for (WPARAM key : {VK_RETURN, VK_ESCAPE, VK_TAB}) {
            ::PostMessageA(field, WM_KEYDOWN, key, 0);
            ::PostMessageA(field, WM_KEYUP, key, 0xC0000001);
        }
        ::Sleep(500);
        still_open = ::IsWindow(box) && ::IsWindowVisible(box);
        click_input_box_button(box, kInputBoxCancel);
    });
    EXPECT_TRUE(still_open);
    EXPECT_EQ(0, run.result);
}

struct expected_control {
    int id;
    const char* class_name;
    const char* text;
    LONG style;
    RECT client_rect;  // left, top, right, bottom in the prompt's client area
};

std::string class_of(HWND window) {
    char name[64] = {};
    ::GetClassNameA(window, name, sizeof(name));
    return name;
}

std::string text_of(HWND window) {
    char text[256] = {};
    ::GetWindowTextA(window, text, sizeof(text));
    return text;
}

TEST(InputBoxTest, WindowIsCentredAndHoldsItsFourControls) {
    const expected_control controls[] = {
        {127, "Static", "Enter your e-mail address", 0x50000000, {8, 30, 278, 55}},
        // The edit control takes WS_BORDER off its style and draws the border itself.
        {101, "Edit", "", 0x50000080, {8, 60, 278, 85}},
        {1, "Button", "Ok", 0x50000001, {28, 110, 128, 135}},
        {2, "Button", "Cancel", 0x50000001, {162, 110, 262, 135}},
    };
    prompt_run run([&controls](HWND box) {
        ASSERT_NE(nullptr, box);
        EXPECT_EQ("InputBox", class_of(box));
        EXPECT_EQ("Enter your e-mail", text_of(box));
        const LONG style = ::GetWindowLongA(box, GWL_STYLE);
        EXPECT_EQ(WS_CAPTION | WS_SYSMENU | WS_THICKFRAME,
                  style & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CHILD | WS_POPUP));
        EXPECT_EQ(0, ::GetWindowLongA(box, GWL_EXSTYLE) & ~WS_EX_WINDOWEDGE);

        RECT frame{};
        ::GetWindowRect(box, &frame);
        EXPECT_EQ(::GetSystemMetrics(SM_CXSCREEN) / 2 - 150, frame.left);
        EXPECT_EQ(::GetSystemMetrics(SM_CYSCREEN) / 2 - 100, frame.top);
        EXPECT_EQ(300, frame.right - frame.left);
        EXPECT_EQ(200, frame.bottom - frame.top);

        for (const expected_control& c : controls) {
            HWND control = ::GetDlgItem(box, c.id);
            ASSERT_NE(nullptr, control) << c.text;
            EXPECT_EQ(c.id, ::GetDlgCtrlID(control));
            EXPECT_EQ(0, _stricmp(c.class_name, class_of(control).c_str())) << class_of(control);
            EXPECT_EQ(c.text, text_of(control));
            EXPECT_EQ(c.style, ::GetWindowLongA(control, GWL_STYLE) & 0xFFFF00FF) << c.text;
            RECT rect{};
            ::GetWindowRect(control, &rect);
            ::MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&rect), 2);
            EXPECT_EQ(c.client_rect.left, rect.left) << c.text;
            EXPECT_EQ(c.client_rect.top, rect.top) << c.text;
            EXPECT_EQ(c.client_rect.right, rect.right) << c.text;
            EXPECT_EQ(c.client_rect.bottom, rect.bottom) << c.text;
        }
        click_input_box_button(box, kInputBoxCancel);
    });
    EXPECT_EQ(0, run.result);
}

TEST(InputBoxTest, ClassAndWindowAreGoneAfterwardsSoThePromptCanBeShownAgain) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        HWND seen = nullptr;
        prompt_run run([&seen, attempt](HWND box) {
            ASSERT_NE(nullptr, box);
            seen = box;
            type_into_input_box(box, "try" + std::to_string(attempt) + "@example.org");
            click_input_box_button(box, kInputBoxOk);
        });
        EXPECT_EQ(1, run.result);
        EXPECT_EQ("try" + std::to_string(attempt) + "@example.org", std::string(run.buffer));
        EXPECT_FALSE(::IsWindow(seen));
        WNDCLASSA unused{};
        EXPECT_FALSE(::GetClassInfoA(::GetModuleHandleA(nullptr), "InputBox", &unused));
    }
}

// The styles each window of this thread is created with, as the creator passed them (a
// control may change its own style afterwards, as Wine's edit control does with WS_BORDER).
// The system may create windows of its own on the thread (IME windows): only the prompt and
// its children are kept.
struct created_window {
    INT_PTR id;  // the menu handle a child is created with is its identifier
    LONG style;
    DWORD ex_style;
};

bool is_prompt(HWND window) {
    char name[64] = {};
    return window != nullptr && ::GetClassNameA(window, name, sizeof(name)) > 0 &&
           std::string(name) == "InputBox";
}
std::vector<created_window>* g_created = nullptr;

LRESULT CALLBACK record_creation(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_CREATEWND && g_created != nullptr) {
        const CREATESTRUCTA* create = reinterpret_cast<CBT_CREATEWNDA*>(lparam)->lpcs;
        const HWND window = reinterpret_cast<HWND>(wparam);
        if (!is_prompt(window) && !is_prompt(create->hwndParent)) {
            return ::CallNextHookEx(nullptr, code, wparam, lparam);
        }
        g_created->push_back(
            {reinterpret_cast<INT_PTR>(create->hMenu), create->style, create->dwExStyle});
    }
    return ::CallNextHookEx(nullptr, code, wparam, lparam);
}

struct hook_deleter {
    void operator()(HHOOK hook) const noexcept { ::UnhookWindowsHookEx(hook); }
};

TEST(InputBoxTest, ClassAndWindowsAreCreatedWithTheirExactAttributes) {
    std::vector<created_window> created;
    g_created = &created;
    const std::unique_ptr<std::remove_pointer_t<HHOOK>, hook_deleter> hook(
        ::SetWindowsHookExA(WH_CBT, record_creation, nullptr, ::GetCurrentThreadId()));
    ASSERT_NE(nullptr, hook.get());
    WNDCLASSA registered{};
    BOOL found = FALSE;
    prompt_run run([&](HWND box) {
        ASSERT_NE(nullptr, box);
        found = ::GetClassInfoA(::GetModuleHandleA(nullptr), "InputBox", &registered);
        click_input_box_button(box, kInputBoxCancel);
    });
    g_created = nullptr;
    EXPECT_EQ(0, run.result);

    ASSERT_TRUE(found);
    EXPECT_EQ(static_cast<UINT>(CS_HREDRAW | CS_VREDRAW), registered.style);
    EXPECT_EQ(0, registered.cbClsExtra);
    EXPECT_EQ(static_cast<int>(sizeof(void*)), registered.cbWndExtra);
    EXPECT_EQ(nullptr, registered.hIcon);
    EXPECT_EQ(::LoadCursorA(nullptr, IDC_ARROW), registered.hCursor);
    EXPECT_EQ(reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), registered.hbrBackground);
    EXPECT_EQ(nullptr, registered.lpszMenuName);

    const created_window expected[] = {
        {0, 0x00CC0000, 0},    // the prompt
        {127, 0x50000000, 0},  // label
        {101, 0x50800080, 0},  // address field, with its border, scrolling sideways
        {1, 0x50000001, 0},    // Ok
        {2, 0x50000001, 0},    // Cancel
    };
    ASSERT_EQ(std::size(expected), created.size());
    for (std::size_t i = 0; i < created.size(); ++i) {
        EXPECT_EQ(expected[i].id, created[i].id) << "window " << i;
        EXPECT_EQ(expected[i].style, created[i].style) << "window " << i;
        // The system adds the window edge to every framed window it creates.
        EXPECT_EQ(expected[i].ex_style, created[i].ex_style & ~WS_EX_WINDOWEDGE) << "window " << i;
    }
}

ULONGLONG process_cpu_100ns() {
    FILETIME creation{}, exit{}, kernel{}, user{};
    ::GetProcessTimes(::GetCurrentProcess(), &creation, &exit, &kernel, &user);
    const auto value = [](const FILETIME& t) {
        return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return value(kernel) + value(user);
}

// The measurement itself must see a busy thread, or a quiet prompt would prove nothing.
void expect_busy_thread_is_measured() {
    const ULONGLONG cpu_before = process_cpu_100ns();
    const ULONGLONG until = ::GetTickCount64() + 500;
    volatile unsigned long spins = 0;
    while (::GetTickCount64() < until) spins = spins + 1;
    EXPECT_GT(process_cpu_100ns() - cpu_before, 500000u) << "busy 500 ms, measured under 50 ms";
}

// A prompt waits for a person; it must not keep a processor busy meanwhile.
TEST(InputBoxTest, OpenPromptUsesAlmostNoProcessorTime) {
    expect_busy_thread_is_measured();
    ULONGLONG cpu_used = 0;
    ULONGLONG wall = 0;
    prompt_run run([&](HWND box) {
        ASSERT_NE(nullptr, box);
        ::Sleep(300);  // let the window finish painting
        const ULONGLONG cpu_before = process_cpu_100ns();
        const ULONGLONG started = ::GetTickCount64();
        ::Sleep(5000);
        cpu_used = process_cpu_100ns() - cpu_before;
        wall = ::GetTickCount64() - started;
        click_input_box_button(box, kInputBoxCancel);
    });
    const double cpu_ms = static_cast<double>(cpu_used) / 10000.0;
    std::cout << "prompt open " << wall << " ms, process CPU time " << cpu_ms << " ms ("
              << 100.0 * cpu_ms / static_cast<double>(wall) << "% of one core)\n";
    ::testing::Test::RecordProperty("prompt_open_ms", static_cast<int>(wall));
    ::testing::Test::RecordProperty("prompt_cpu_ms", static_cast<int>(cpu_ms));
    EXPECT_EQ(0, run.result);
    EXPECT_LT(cpu_ms, 250.0) << "the prompt's message loop must wait, not poll";
}

}  // namespace
