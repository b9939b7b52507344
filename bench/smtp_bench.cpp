// Delivery time of send_mail against Python's smtplib, both to the same aiosmtpd on
// loopback, for messages of 1 MiB and 10 MiB in base64 lines of 76 characters as the log
// mail has them. send_mail hands every line to send on its own; smtplib sends the whole
// message in one go. Run under Wine from the build tree:
//   WINEPREFIX=<build>/wineprefix scripts/wine-exec <build>/bench/smtp_bench.exe
// (smtplib runs as a native host process, send_mail inside Wine: the ratio includes Wine's
// cost per socket call).
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "mail/log_mail.h"
#include "quill/internet/address/ip4.h"
#include "quill/internet/environment/guard.h"
#include "quill/internet/smtp/client.h"
#include "tests/support/smtp_sink.h"
#include "tests/support/text_file.h"

namespace {

using quill::internet::smtp::message_lines;

const char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The log mail's headers, then base64-looking lines of 76 characters, until the message
// joined with CR LF has `size` bytes (the last line may be shorter).
message_lines make_message(size_t size) {
    auto mail =
        korve::mail::NewLogMail("support@example.com", korve::mail::LogMailSubject(L"", 6, 1));
    mail.add_header("From", "<user@example.org>");
    message_lines lines;
    mail.write_lines(lines);
    size_t total = 0;
    for (const std::string& line : lines) total += line.size() + 2;
    unsigned state = 12345;
    while (total < size) {
        const size_t length = std::min<size_t>(76, size - total > 2 ? size - total - 2 : 0);
        std::string line(length, 'A');
        for (char& c : line) {
            state = state * 1103515245u + 12345u;
            c = kBase64Alphabet[(state >> 16) % 64];
        }
        total += line.size() + 2;
        lines.push_back(line);
    }
    return lines;
}

bool write_file(const std::string& path, const std::string& content) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
    return std::fclose(file) == 0 && written;
}

struct message_case {
    const char* label;
    size_t size;
    message_lines lines;
    std::string text;
    double send_mail_seconds = 0;
    double smtplib_seconds = 0;
};

}  // namespace

int main() {
    quill::internet::environment::guard sockets;
    const std::string folder = KORVE_BENCH_FOLDER;
    std::vector<message_case> cases = {{"1 MiB", 1u << 20, {}, {}}, {"10 MiB", 10u << 20, {}, {}}};
    korve::test::smtp_sink sink(KORVE_SMTP_SINK_SCRIPT, folder, static_cast<int>(cases.size() * 2),
                                600);
    if (!sink.started()) {
        std::fprintf(stderr, "aiosmtpd did not start\n");
        return 1;
    }
    const quill::internet::address::ip4 server("127.0.0.1", sink.port());

    int stored_index = 0;
    for (message_case& item : cases) {
        item.lines = make_message(item.size);
        item.text = korve::test::joined_crlf_lines(item.lines);
        const auto start = std::chrono::steady_clock::now();
        try {
            quill::internet::smtp::send_mail("installer", server, "support@example.com", "",
                                             item.lines, 60, 600);
        } catch (const std::exception& error) {
            std::fprintf(stderr, "send_mail failed: %s\n", error.what());
            return 1;
        }
        item.send_mail_seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::string stored;
        if (!sink.message(++stored_index, stored, 30000) || stored != item.text) {
            std::fprintf(stderr, "aiosmtpd stored something else for %s\n", item.label);
            return 1;
        }
    }

    // The same messages through smtplib, as files the host process can read.
    std::string arguments = "\"" KORVE_SMTPLIB_SCRIPT "\" " + std::to_string(sink.port()) + " \"" +
                            folder + "/smtplib-result.txt\"";
    for (size_t i = 0; i < cases.size(); ++i) {
        const std::string name = "/message-" + std::to_string(i) + ".txt";
        if (!write_file(korve::test::wine_path(folder + name), cases[i].text)) {
            std::fprintf(stderr, "cannot write the message files\n");
            return 1;
        }
        arguments += " \"" + folder + name + "\"";
    }
    ::DeleteFileA(korve::test::wine_path(folder + "/smtplib-result.txt").c_str());
    if (!korve::test::start_host_program("/usr/bin/python3", arguments)) {
        std::fprintf(stderr, "cannot start smtplib\n");
        return 1;
    }
    for (message_case& item : cases) {
        std::string stored;
        if (!sink.message(++stored_index, stored, 120000) || stored != item.text) {
            std::fprintf(stderr, "smtplib's %s was not stored as sent\n", item.label);
            return 1;
        }
    }
    std::string results;
    for (int waited = 0;
         waited < 200 &&
         !korve::test::read_file(korve::test::wine_path(folder + "/smtplib-result.txt"), results);
         ++waited) {
        ::Sleep(50);
    }
    std::istringstream result_lines(results);
    for (message_case& item : cases) {
        std::string path;
        result_lines >> path >> item.smtplib_seconds;
    }

    std::printf("SMTP delivery to aiosmtpd on 127.0.0.1 (connect to QUIT reply)\n");
    std::printf("%-8s %8s %14s %14s %8s\n", "message", "lines", "send_mail s", "smtplib s",
                "ratio");
    for (const message_case& item : cases) {
        const double ratio =
            item.smtplib_seconds > 0 ? item.send_mail_seconds / item.smtplib_seconds : 0;
        std::printf("%-8s %8zu %14.3f %14.3f %8.2f\n", item.label, item.lines.size(),
                    item.send_mail_seconds, item.smtplib_seconds, ratio);
    }
    return 0;
}
