#include "mail/submit_log_by_mail.h"

#include <winsock2.h>
#include <windows.h>

#include <exception>
#include <new>
#include <optional>
#include <string>

#include "channels/program_log.h"
#include "mail/log_mail.h"
#include "quill/fs/normal_path.h"
#include "quill/fs/open.h"
#include "quill/handle.h"
#include "quill/internet/address/ip4.h"
#include "quill/internet/environment/guard.h"
#include "quill/internet/smtp/client.h"
#include "quill/log/file.h"
#include "quill/unicode/conversion.h"

namespace korve::mail {
namespace {

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

// Through the same open as the listeners': a name that leads elsewhere (a link to a network
// path would make the elevated process authenticate there) is not followed.
std::optional<quill::fs::item> OpenLogFile() {
    const std::wstring path = quill::fs::normal_path(
        quill::unicode::to_wide(LogFileName(), quill::unicode::ansi_codepage));
    std::optional<quill::fs::item> log;
    // Read sharing only: while the log is still open for writing somewhere, this fails.
    if (!quill::fs::open_below(quill::fs::folder_of(path), path, quill::fs::item_kind::file,
                               GENERIC_READ, log, quill::fs::sharing::read_only) ||
        (log && log->is_link())) {
        return std::nullopt;
    }
    return log;
}

// The whole file; false when it cannot be read whole.
bool ReadLogFile(const quill::unique_file& file, std::string& bytes) {
    const DWORD size = ::GetFileSize(file.get(), nullptr);
    if (size == INVALID_FILE_SIZE) return false;
    try {
        bytes.assign(size, '\0');
    } catch (const std::bad_alloc&) {
        return false;  // a log too large to hold is as good as unreadable
    }
    DWORD done = 0;
    while (done < size) {
        DWORD read = 0;
        if (!::ReadFile(file.get(), &bytes[done], size - done, &read, nullptr) || read == 0) {
            return false;
        }
        done += read;
    }
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
                    const std::optional<quill::fs::file_identity>& written) {
    unsigned long os_major = 0;
    unsigned long os_minor = 0;
    ReportedSystemVersion(os_major, os_minor);
    quill::internet::message2::entity mail =
        NewLogMail(server.mailbox, LogMailSubject(product_version, os_major, os_minor));

    const std::optional<quill::fs::item> log = OpenLogFile();
    if (!log) return 0;
    // The name may have been given to another file since the listeners wrote theirs (the
    // current folder is often one that an ordinary user owns).
    quill::fs::file_identity opened;
    if (written && (!quill::fs::identity_of(log->handle.get(), opened) || opened != *written)) {
        return 0;
    }
    // A log that misses lines would be taken for the whole run.
    if (written && quill::log::file::lost_lines(*written)) return 0;
    std::string bytes;
    if (!ReadLogFile(log->handle, bytes) || bytes.size() < 3) return 1;
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

}  // namespace korve::mail
