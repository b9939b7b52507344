#pragma once

namespace korve::mail {

// The user's side of the log mail: its message boxes and the sender prompt. The program
// shows real windows; tests answer them through their own implementation.
class SubmissionDialogs {
  public:
    virtual ~SubmissionDialogs() = default;

    // Shows a message box without owner window; `type` holds the MB_ flags. Returns the
    // button pressed (IDOK, IDYES, IDNO ...), 0 when no box could be shown.
    virtual int ShowMessage(const char* text, const char* caption, unsigned int type) = 0;

    // Asks for the sender's address, with the contract of ShowInputBox: 1 and the text in
    // `buffer` (256 bytes) on Ok; 0, the buffer untouched, on Cancel or close.
    virtual int AskForAddress(char* buffer) = 0;
};

// The real windows: MessageBoxA and ShowInputBox.
class WindowsDialogs final : public SubmissionDialogs {
  public:
    int ShowMessage(const char* text, const char* caption, unsigned int type) override;
    int AskForAddress(char* buffer) override;
};

}  // namespace korve::mail
