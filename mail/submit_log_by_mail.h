#pragma once

#include <optional>
#include <string>

#include "mail/submission_dialogs.h"
#include "quill/fs/file_identity.h"

namespace korve::mail {

// Where submitted logs go: an SMTP server reachable without authentication or TLS.
struct SupportMailServer {
    std::string host;  // name or dotted address
    unsigned short port = 25;
    std::string mailbox;  // bare address, the envelope recipient and the To header's mailbox
    // However the server paces its lines: the time for the connection attempt, each whole
    // reply and each send, and for the whole delivery from connecting to closing.
    int reply_timeout_seconds = 30;
    int submission_seconds = 120;
};

// Offers the log file (LogFileName(), "KORVERemover.log.txt") of the current directory to support
// by mail: reads it, asks whether to send it, asks for the sender's address until it holds an "@"
// (or the prompt is cancelled) and delivers it to `server` with the sender in From. The Subject
// names `product_version` ("NUL" when empty) and the system's version. Every outcome is shown
// through `dialogs`.
// The name is opened without following a link; a link counts as a log file that cannot be
// opened. With `written`, only that very file is read back (same volume serial number and file
// id), and only when its listeners wrote every line (quill::log::file::lost_lines): another
// file, or a cut one, counts as a log file that cannot be opened.
// Returns 0 when the log file cannot be opened (nothing shown), 1 otherwise: sent, declined,
// cancelled, failed, or a file that cannot be read whole or holds fewer than 3 bytes.
// Errors derived from std::exception while asking and sending are shown with their what()
// text (cut to its first 300 characters and "...", as it may carry a server's reply) and
// give 1; errors before the question (composing the mail, converting the log's
// text) pass to the caller.
int SubmitLogByMail(SubmissionDialogs& dialogs, const SupportMailServer& server,
                    const std::wstring& product_version,
                    const std::optional<quill::fs::file_identity>& written = std::nullopt);

// The same with the program's real windows and its support mail server (fixed when it is
// built), for the file that the log's listeners wrote and the product version that the
// registry cleaning read. Each build of the program defines it with its own server.
int SubmitLogByMail(const quill::fs::file_identity& written, const std::wstring& product_version);

}  // namespace korve::mail
