#!/usr/bin/python3
"""Reads the log mail that the SMTP sink received with Python's email package and compares
it with the log file.

    check_mail.py MESSAGE_FILE ENVELOPE_FILE LOG_FILE ADDRESS

Prints the mail's headers. Exit status 0 when the headers are From, Subject, Content-Type,
Content-Transfer-Encoding and To in this order with the expected values, the decoded body
equals the log file's bytes and the envelope has the null sender and the support mailbox;
1 otherwise, naming each difference.
"""
import email
import email.policy
import re
import sys


def main():
    message_file, envelope_file, log_file, address = sys.argv[1:5]
    with open(message_file, "rb") as f:
        raw = f.read()
    with open(log_file, "rb") as f:
        log = f.read()
    with open(envelope_file, "rb") as f:
        envelope = f.read().decode("utf-8")
    mail = email.message_from_bytes(raw, policy=email.policy.compat32)

    print("== headers of the received mail ==")
    for name, value in mail.items():
        print("%s: %s" % (name, value))

    problems = []
    names = [name for name, _ in mail.items()]
    expected_names = ["From", "Subject", "Content-Type", "Content-Transfer-Encoding", "To"]
    if names != expected_names:
        problems.append("headers %s, expected %s" % (names, expected_names))
    if mail["From"] != "<%s>" % address:
        problems.append("From is %r" % mail["From"])
    if not re.fullmatch(r"KORVERemover\.exe log product_ver:\S+  OS:\d+\.\d+",
                        mail["Subject"] or ""):
        problems.append("Subject is %r" % mail["Subject"])
    if mail.get_content_type() != "text/plain" or mail.get_content_charset() != "utf-8":
        problems.append("Content-Type is %r" % mail["Content-Type"])
    if mail["To"] != '"Remove-support mails" <support@example.com>':
        problems.append("To is %r" % mail["To"])
    body = mail.get_payload(decode=True)
    if body != log:
        problems.append("decoded body (%d bytes) differs from the log file (%d bytes)"
                        % (len(body or b""), len(log)))
    for line in raw.split(b"\r\n")[len(names) + 1:]:
        if len(line) > 76:
            problems.append("body line longer than 76 characters")
            break
    if envelope != "<>\nsupport@example.com\n":
        problems.append("envelope %r" % envelope)

    print("== mail check ==")
    if problems:
        for problem in problems:
            print("MISMATCH: " + problem)
        return 1
    print("the decoded body equals the log file's %d bytes; headers in order" % len(log))
    return 0


if __name__ == "__main__":
    sys.exit(main())
