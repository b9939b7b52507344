// The person at the screen during an end-to-end run: starts KORVERemover.exe, answers its
// real message boxes (Yes to the offer of the log, Ok to every other box) and types the
// sender's address into its real prompt, then clicks Ok.
//   korve_e2e_person PROGRAM FOLDER ADDRESS [WARNING]
// Prints every box and prompt it met and the program's exit code. Exit status 0 when the
// program ended with 0 after the offer, one prompt and the thank-you box, and with WARNING
// after a first box "KORVERemover" of that text; 1 otherwise.
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/person_at_screen.h"

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: korve_e2e_person PROGRAM FOLDER ADDRESS [WARNING]\n");
        return 2;
    }
    korve::test::person_at_screen me(argv[3], true);
    const auto run = korve::test::run_child(std::string("\"") + argv[1] + "\"", argv[2], 300000,
                                            &korve::test::person_at_screen::act, &me);
    std::printf("== console output of the program ==\n%s", run.output.c_str());
    if (!run.started || !run.finished) {
        std::printf("program %s\n", run.started ? "did not end in time" : "did not start");
        return 1;
    }
    std::printf("exit code %lu\n", run.exit_code);
    std::vector<korve::test::seen_box> boxes = me.boxes();
    if (argc == 5) {
        if (boxes.empty() || boxes[0].caption != "KORVERemover" || boxes[0].text != argv[4]) {
            return 1;
        }
        boxes.erase(boxes.begin());
    }
    const bool as_expected = run.exit_code == 0 && me.prompts() == 1 && boxes.size() == 2 &&
                             boxes[0].caption == "Velocore support" &&
                             boxes[1].caption == "Log file submitted";
    return as_expected ? 0 : 1;
}
