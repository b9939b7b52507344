// The program's entry with a reader of its own message boxes beside it. A box's icon can only
// be told from inside the process that shows it (icon handles are per process under Wine), so
// the reader runs here: it writes each box as one line
//   [box] <caption>|<text>|<icon>
// where <icon> is the MB_ICON* type the box shows (0 for none), and answers it (No where the
// box has that button, otherwise Ok).
#include <windows.h>

#include <atomic>
#include <set>
#include <string>
#include <thread>

#include "driver/entry.h"
#include "tests/support/message_box_answerer.h"

namespace {

struct icon_search {
    HICON icon = nullptr;
};

BOOL CALLBACK find_icon(HWND child, LPARAM context) {
    char class_name[16] = {};
    ::GetClassNameA(child, class_name, sizeof(class_name));
    const LONG_PTR style = ::GetWindowLongPtrA(child, GWL_STYLE);
    if (::lstrcmpiA(class_name, "Static") == 0 && (style & SS_TYPEMASK) == SS_ICON &&
        ::IsWindowVisible(child)) {
        reinterpret_cast<icon_search*>(context)->icon =
            reinterpret_cast<HICON>(::SendMessageA(child, STM_GETICON, 0, 0));
    }
    return TRUE;
}

// The system's shared icons are one handle per process, so the box's icon is one of them.
int icon_type_of(HWND box) {
    icon_search found;
    ::EnumChildWindows(box, find_icon, reinterpret_cast<LPARAM>(&found));
    if (found.icon == nullptr) return 0;
    const struct {
        LPCSTR name;
        int type;
    } icons[] = {{IDI_HAND, MB_ICONHAND},
                 {IDI_QUESTION, MB_ICONQUESTION},
                 {IDI_EXCLAMATION, MB_ICONEXCLAMATION},
                 {IDI_ASTERISK, MB_ICONASTERISK}};
    for (const auto& icon : icons) {
        if (::LoadIconA(nullptr, icon.name) == found.icon) return icon.type;
    }
    return -1;  // an icon of another kind
}

void report(const std::string& line) {
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()),
                &written, nullptr);
}

void read_boxes(const std::atomic<bool>& done) {
    std::set<void*> answered;
    while (!done) {
        for (void* handle : korve::test::visible_message_boxes(::GetCurrentProcessId())) {
            if (!answered.insert(handle).second) continue;
            const HWND box = static_cast<HWND>(handle);
            const korve::test::seen_box seen = korve::test::read_message_box(box);
            report("[box] " + seen.caption + "|" + seen.text + "|" +
                   std::to_string(icon_type_of(box)) + "\r\n");
            const int button = ::GetDlgItem(box, IDNO) != nullptr ? IDNO : IDOK;
            ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        }
        ::Sleep(50);
    }
}

}  // namespace

int main() {
    std::atomic<bool> done{false};
    std::thread reader(read_boxes, std::cref(done));
    const int result = korve::driver::RunKORVERemover();
    done = true;
    reader.join();
    return result;
}
