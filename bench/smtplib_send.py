#!/usr/bin/python3
"""Python's smtplib as the reference client of bench/smtp_bench.cpp.

    smtplib_send.py PORT RESULT_FILE MESSAGE_FILE...

Delivers each message file (lines joined with CR LF) to 127.0.0.1:PORT, one connection per
message as send_mail does, and writes one line per message to RESULT_FILE: the file name and
the seconds from connecting to the end of QUIT.
"""
import os
import smtplib
import sys
import time


def main():
    port, result_file, message_files = int(sys.argv[1]), sys.argv[2], sys.argv[3:]
    lines = []
    for path in message_files:
        with open(path, "rb") as f:
            message = f.read()
        start = time.perf_counter()
        # A fixed HELO name: the default would look the machine's name up in DNS.
        with smtplib.SMTP("127.0.0.1", port, local_hostname="installer", timeout=60) as client:
            client.sendmail("", ["support@example.com"], message)
        lines.append("%s %.6f\n" % (path, time.perf_counter() - start))
    with open(result_file + ".partial", "w") as f:
        f.writelines(lines)
    os.replace(result_file + ".partial", result_file)


if __name__ == "__main__":
    main()
