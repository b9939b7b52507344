#include "mail/submission_dialogs.h"

#include <windows.h>

#include "mail/input_box.h"

namespace korve::mail {

int WindowsDialogs::ShowMessage(const char* text, const char* caption, unsigned int type) {
    return ::MessageBoxA(nullptr, text, caption, type);
}

int WindowsDialogs::AskForAddress(char* buffer) {
    return ShowInputBox(buffer);
}

}  // namespace korve::mail
