#pragma once

#include <string>

#include "mail/submission_dialogs.h"

// Where submitted logs go: an SMTP server reachable without authentication or TLS.
struct SupportMailServer {
    std::string host;  // name or dotted address
    unsigned short port = 25;
    std::string mailbox;       // bare address, the envelope recipient and the To header's mailbox
    int timeout_seconds = 30;  // for each reply line and each send
};

// Offers the log file "KORVERemover.log.txt" of the current directory to support by mail:
// reads it, asks whether to send it, asks for the sender's address until it holds an "@" (or
// the prompt is cancelled) and delivers it to `server` with the sender in From. The Subject
// names `product_version` ("NUL" when empty) and the system's version. Every outcome is shown
// through `dialogs`.
// Returns 0 when the log file cannot be opened (nothing shown), 1 otherwise: sent, declined,
// cancelled, failed, or a file that cannot be read or holds fewer than 3 bytes.
// Errors derived from std::exception while asking and sending are shown with their what()
// text (cut to its first 300 characters and "...", as it may carry a server's reply) and
// give 1; errors before the question (composing the mail, converting the log's
// text) pass to the caller.
int SubmitLogByMail(SubmissionDialogs& dialogs, const SupportMailServer& server,
                    const std::wstring& product_version);

// The same with the program's real windows, its support mail server (fixed when it is
// built) and the product version that the registry cleaning kept. Each build of the program
// defines it with its own server.
int SubmitLogByMail();
