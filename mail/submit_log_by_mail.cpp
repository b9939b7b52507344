#include "mail/submit_log_by_mail.h"

#include <winsock2.h>
#include <windows.h>

#include <exception>
#include <new>
#include <string>

#include "mail/log_mail.h"
#include "quill/handle.h"
#include "quill/internet/address/ip4.h"
#include "quill/internet/environment/guard.h"
#include "quill/internet/smtp/client.h"

namespace {

const char* const kLogFileName = "KORVERemover.log.txt";
const char* const kHeloName = "installer";
const int kAddressBufferSize = 256;
// An error's text may carry a server's reply, and a server must not fill the screen.
const std::size_t kLongestBoxText = 300;

const char* const kQuestion = "Would you like to send a log file to Velocore support?";
const char* const kQuestionCaption = "Velocore support";
const char* const kNoSender = "Log file can't be sent without a sender";
const char* const kNotSubmitted = "Log file not submitted";
const char* const kThanks = "Thank you. The log file has been submitted.";
const char* const kSubmitted = "Log file submitted";

quill::unique_file OpenLogFile() {
    // Read sharing only: while the log is still open for writing somewhere, this fails.
    return quill::unique_file(
        ::CreateFileA(kLogFileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

// The whole file in one read; false when it cannot be read.
bool ReadLogFile(const quill::unique_file& file, std::string& bytes) {
    const DWORD size = ::GetFileSize(file.get(), nullptr);
    if (size == INVALID_FILE_SIZE) return false;
    try {
        bytes.assign(size, '\0');
    } catch (const std::bad_alloc&) {
        return false;  // a log too large to hold is as good as unreadable
    }
    DWORD read = 0;
    if (!::ReadFile(file.get(), bytes.data(), size, &read, nullptr)) return false;
    bytes.resize(read);
    return true;
}

// Asks until the answer holds an "@"; false when the user gave up (the box was shown).
bool AskForSender(SubmissionDialogs& dialogs, std::string& sender) {
    for (;;) {
        char buffer[kAddressBufferSize] = {};
        if (dialogs.AskForAddress(buffer) != 1) {
            dialogs.ShowMessage(kNoSender, kNotSubmitted, MB_OK);
            return false;
        }
        sender = buffer;
        if (!sender.empty() && sender.find('@') != std::string::npos) return true;
        dialogs.ShowMessage(kNoSender, kNotSubmitted, MB_OK);
    }
}

std::string BoxText(const char* text) {
    std::string shown(text);
    if (shown.size() > kLongestBoxText) shown.replace(kLongestBoxText, std::string::npos, "...");
    return shown;
}

void SendLogMail(SubmissionDialogs& dialogs, const quill::internet::message2::entity& mail,
                 const SupportMailServer& server) {
    const quill::internet::environment::guard sockets;
    quill::internet::message2::line_list lines;
    mail.write_lines(lines);
    const quill::internet::address::ip4 address(server.host, server.port);
    quill::internet::smtp::send_mail(kHeloName, address, server.mailbox, "", lines,
                                     server.reply_timeout_seconds, server.submission_seconds);
    dialogs.ShowMessage(kThanks, kSubmitted, MB_OK);
}

}  // namespace

int SubmitLogByMail(SubmissionDialogs& dialogs, const SupportMailServer& server,
                    const std::wstring& product_version,
                    const std::optional<quill::log::file_identity>& written) {
    unsigned long os_major = 0;
    unsigned long os_minor = 0;
    ReportedSystemVersion(os_major, os_minor);
    quill::internet::message2::entity mail =
        NewLogMail(server.mailbox, LogMailSubject(product_version, os_major, os_minor));

    const quill::unique_file log = OpenLogFile();
    if (!log) return 0;
    // The name may have been given to another file since the listeners wrote theirs (the
    // current folder is often one that an ordinary user owns).
    quill::log::file_identity opened;
    if (written && (!quill::log::identity_of(log.get(), opened) || opened != *written)) return 0;
    std::string bytes;
    if (!ReadLogFile(log, bytes) || bytes.size() < 3) return 1;
    SetLogText(mail, bytes);

    try {
        if (dialogs.ShowMessage(kQuestion, kQuestionCaption, MB_YESNO) != IDYES) return 1;
        std::string sender;
        if (!AskForSender(dialogs, sender)) return 1;
        mail.add_header("From", "<" + sender + ">");
        SendLogMail(dialogs, mail, server);
    } catch (const std::exception& error) {
        dialogs.ShowMessage(BoxText(error.what()).c_str(), kNotSubmitted, MB_OK);
    }
    return 1;
}
