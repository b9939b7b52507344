// The person at the screen during an end-to-end run: starts KORVERemover.exe, answers its
// real message boxes (Yes to the offer of the log, Ok to every other box) and types the
// sender's address into its real prompt, then clicks Ok.
//   korve_e2e_person PROGRAM FOLDER ADDRESS
// Prints every box and prompt it met and the program's exit code. Exit status 0 when the
// program ended with 0 after the offer, one prompt and the thank-you box; 1 otherwise.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/input_box_window.h"

namespace {

struct met {
    std::string caption;
    std::string text;
};

struct person {
    std::string address;
    std::vector<met> boxes;
    int prompts = 0;
};

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

void answer_boxes(unsigned long process_id, person& me) {
    box_search search{process_id, {}};
    ::EnumWindows(collect_box, reinterpret_cast<LPARAM>(&search));
    for (HWND box : search.boxes) {
        char caption[256] = {};
        char text[4096] = {};
        ::GetWindowTextA(box, caption, sizeof(caption));
        ::GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
        me.boxes.push_back({caption, text});
        std::printf("box     \"%s\": %s\n", caption, text);
        const int button = std::string(caption) == "Velocore support" ? IDYES : IDOK;
        ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        korve::test::wait_until_gone(box, 5000);
    }
}

void answer_prompt(unsigned long process_id, person& me) {
    HWND prompt = korve::test::find_input_box(process_id);
    if (prompt == nullptr) return;
    ++me.prompts;
    std::printf("prompt  \"Enter your e-mail\": typed %s, clicked Ok\n", me.address.c_str());
    korve::test::type_into_input_box(prompt, me.address);
    korve::test::click_input_box_button(prompt, korve::test::kInputBoxOk);
    korve::test::wait_until_gone(prompt, 5000);
}

void act(unsigned long process_id, void* context) {
    auto& me = *static_cast<person*>(context);
    answer_boxes(process_id, me);
    answer_prompt(process_id, me);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: korve_e2e_person PROGRAM FOLDER ADDRESS\n");
        return 2;
    }
    person me;
    me.address = argv[3];
    const auto run =
        korve::test::run_child(std::string("\"") + argv[1] + "\"", argv[2], 300000, act, &me);
    std::printf("== console output of the program ==\n%s", run.output.c_str());
    if (!run.started || !run.finished) {
        std::printf("program %s\n", run.started ? "did not end in time" : "did not start");
        return 1;
    }
    std::printf("exit code %lu\n", run.exit_code);
    const bool as_expected = run.exit_code == 0 && me.prompts == 1 && me.boxes.size() == 2 &&
                             me.boxes[0].caption == "Velocore support" &&
                             me.boxes[1].caption == "Log file submitted";
    return as_expected ? 0 : 1;
}
