#!/usr/bin/python3
"""Reads messages written by the MIME writer back with Python's email package.

    mime_peer_check.py --wine WINE_EXEC --writer WRITER_EXE --out FOLDER

Runs the Windows writer under Wine (WINEPREFIX from the environment) to fill FOLDER with
messages and a manifest of what each must contain, then parses every message and checks the
decoded header values, the parts' media types, charsets and transfer encodings, and that each
body decodes back to the original bytes (text encoded with Python's own codec of the charset).
Exit status 0 when everything matches, 1 otherwise.
"""
import argparse
import email
import email.policy
import os
import shutil
import subprocess
import sys


def windows_path(unix_path):
    return "Z:" + os.path.abspath(unix_path).replace("/", "\\")


def run_writer(wine, writer, folder):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    result = subprocess.run([wine, windows_path(writer), windows_path(folder)],
                            capture_output=True, timeout=120)
    if result.returncode != 0:
        sys.exit("writer failed (%d): %s" % (result.returncode,
                                              result.stderr.decode(errors="replace")))


def read_manifest(folder):
    messages = []
    with open(os.path.join(folder, "manifest.txt"), encoding="ascii") as manifest:
        for line in manifest:
            fields = line.rstrip("\n").split("\t")
            if fields[0] == "message":
                messages.append({"file": fields[1], "headers": [], "parts": []})
            elif fields[0] == "header":
                text = bytes.fromhex(fields[2]).decode("utf-16-le")
                messages[-1]["headers"].append((fields[1], text))
            elif fields[0] == "part":
                media_type, charset, encoding, kind, data = fields[1:6]
                messages[-1]["parts"].append({
                    "media_type": media_type, "charset": charset, "encoding": encoding,
                    "kind": kind, "data": bytes.fromhex(data)})
    return messages


class Checker:
    def __init__(self):
        self.failures = 0

    def expect(self, where, expected, actual):
        if expected != actual:
            self.failures += 1
            print("FAIL %s\n  expected %r\n  actual   %r" % (where, expected, actual))

    def check_header(self, where, message, name, expected):
        header = message[name]
        if header is None:
            self.expect(where, expected, None)
            return
        self.expect(where + " defects", [], [str(d) for d in header.defects])
        if hasattr(header, "addresses"):
            # Address headers come back re-rendered; compare what they name.
            wanted = email.policy.default.header_factory(name, expected)
            self.expect(where, [(a.display_name, a.addr_spec) for a in wanted.addresses],
                        [(a.display_name, a.addr_spec) for a in header.addresses])
        else:
            self.expect(where, expected, str(header))

    def check_part(self, where, part, expected, single_part):
        self.expect(where + " media type", expected["media_type"], part.get_content_type())
        charset = None if expected["charset"] == "-" else expected["charset"]
        self.expect(where + " charset", charset, part.get_content_charset())
        self.expect(where + " transfer encoding", expected["encoding"],
                    part.get("Content-Transfer-Encoding"))
        if expected["kind"] == "text":
            original = expected["data"].decode("utf-16-le", errors="surrogatepass")
            wanted = original.encode(charset)
        else:
            wanted = expected["data"]
        # A single part's body ends with the line terminator of its last line; in a multipart
        # message that terminator belongs to the next delimiter line.
        if single_part and expected["encoding"] != "base64":
            wanted += b"\r\n"
        self.expect(where + " body", wanted, part.get_payload(decode=True))
        if expected["kind"] == "text":
            self.expect(where + " text", original if not single_part or
                        expected["encoding"] == "base64" else original + "\r\n",
                        part.get_content())


def check(folder):
    checker = Checker()
    messages = read_manifest(folder)
    for expected in messages:
        where = expected["file"]
        with open(os.path.join(folder, where), "rb") as data:
            message = email.message_from_bytes(data.read(), policy=email.policy.default)
        checker.expect(where + " message defects", [], [str(d) for d in message.defects])
        for name, value in expected["headers"]:
            checker.check_header("%s header %s" % (where, name), message, name, value)
        leaves = [part for part in message.walk() if not part.is_multipart()]
        checker.expect(where + " part count", len(expected["parts"]), len(leaves))
        for index, (part, wanted) in enumerate(zip(leaves, expected["parts"])):
            checker.expect("%s part %d defects" % (where, index), [],
                           [str(d) for d in part.defects])
            checker.check_part("%s part %d" % (where, index), part, wanted,
                               not message.is_multipart())
    print("%d messages, %d failures" % (len(messages), checker.failures))
    return checker.failures == 0 and len(messages) > 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine", required=True)
    parser.add_argument("--writer", required=True)
    parser.add_argument("--out", required=True)
    arguments = parser.parse_args()
    run_writer(arguments.wine, arguments.writer, arguments.out)
    return 0 if check(arguments.out) else 1


if __name__ == "__main__":
    sys.exit(main())
