// Compiled into each build of the program, which names its support mail server
// (korve_add_program in driver/CMakeLists.txt).
#include "mail/submit_log_by_mail.h"

#if !defined(KORVE_SMTP_HOST) || !defined(KORVE_SMTP_PORT) || !defined(KORVE_SUPPORT_MAILBOX)
#error "A build of the program must name its support mail server, port and mailbox"
#endif

namespace korve::mail {

int SubmitLogByMail(const quill::fs::file_identity& written, const std::wstring& product_version) {
    WindowsDialogs dialogs;
    SupportMailServer server{KORVE_SMTP_HOST, KORVE_SMTP_PORT, KORVE_SUPPORT_MAILBOX};
    // Only a test build waits less for its scripted servers.
#ifdef KORVE_SMTP_TIMEOUT_SECONDS
    server.reply_timeout_seconds = KORVE_SMTP_TIMEOUT_SECONDS;
#endif
#ifdef KORVE_SMTP_SUBMISSION_SECONDS
    server.submission_seconds = KORVE_SMTP_SUBMISSION_SECONDS;
#endif
    return SubmitLogByMail(dialogs, server, product_version, written);
}

}  // namespace korve::mail
