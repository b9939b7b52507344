// Writes messages made by the MIME writer into a folder, for a real MIME parser to read back:
//   message2_peer_writer <folder>
// Each message goes to <name>.eml as its lines joined with CR LF (each line terminated, as
// SMTP sends them). manifest.txt lists, tab-separated, what the parser must find:
//   message <file>
//   header  <name> <expected value as UTF-16LE hex>
//   part    <media type> <charset or -> <transfer encoding> text|bytes <UTF-16LE text | bytes, hex>
// Parts are listed in the parser's walk order of the leaves.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "quill/internet/message2/entity.h"
#include "quill/internet/message2/unstructured_value_type.h"

using quill::internet::message2::entity;
using quill::internet::message2::line_list;
using quill::internet::message2::header_type::unstructured_value_type;

namespace {

std::string hex_of_bytes(const std::string& bytes) {
    std::string hex;
    char pair[3];
    for (const char byte : bytes) {
        std::snprintf(pair, sizeof(pair), "%02x", static_cast<unsigned char>(byte));
        hex += pair;
    }
    return hex;
}

std::string utf16le_hex(const std::wstring& text) {
    std::string bytes;
    for (const wchar_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>((unit >> 8) & 0xFF));
    }
    return hex_of_bytes(bytes);
}

class peer_folder {
  public:
    explicit peer_folder(std::string path) : path_(std::move(path)) {}

    // Starts the manifest entry of a message; its expectations follow.
    void begin_message(const std::string& name) {
        file_name_ = name + ".eml";
        manifest_ += "message\t" + file_name_ + "\n";
    }
    void write_message(const entity& message) {
        line_list lines;
        message.write_lines(lines);
        std::string data;
        for (const std::string& line : lines) data += line + "\r\n";
        write_file(file_name_, data);
    }
    void expect_header(const std::string& name, const std::wstring& value) {
        manifest_ += "header\t" + name + "\t" + utf16le_hex(value) + "\n";
    }
    void expect_text_part(const entity& part) {
        manifest_ += "part\t" + part.media_type() + "\t" + part.charset() + "\t" +
                     part.transfer_encoding() + "\ttext\t" + utf16le_hex(part.text()) + "\n";
    }
    void expect_bytes_part(const entity& part) {
        manifest_ += "part\t" + part.media_type() + "\t-\t" + part.transfer_encoding() +
                     "\tbytes\t" + hex_of_bytes(part.body()) + "\n";
    }
    void finish() { write_file("manifest.txt", manifest_); }

  private:
    void write_file(const std::string& name, const std::string& data) {
        std::ofstream file(path_ + "\\" + name, std::ios::binary | std::ios::trunc);
        file.write(data.data(), static_cast<std::streamsize>(data.size()));
        if (!file) throw std::runtime_error("cannot write " + path_ + "\\" + name);
    }

    std::string path_;
    std::string file_name_;
    std::string manifest_;
};

void set_transfer_encoding(entity& part, const std::string& encoding) {
    part.remove_header("Content-Transfer-Encoding");
    part.headers().emplace_back("Content-Transfer-Encoding", encoding);
}

// Adds an unstructured header whose non-ASCII characters become encoded words in `charset`.
void add_text_header(peer_folder& folder, entity& message, const std::string& name,
                     const std::wstring& value, const std::string& charset) {
    unstructured_value_type header(value);
    header.set_charset(charset);
    message.add_header(name, header);
    folder.expect_header(name, value);
}

const std::wstring multilingual_text =
    L"KORVERemover 1.1.54.0\r\n"
    L"2024/05/01 10:00:00 1  **** Cleaning SOFTWARE registry ****\r\n"
    L"Fran\x00E7"
    L"ais: d\x00E9j\x00E0 supprim\x00E9, na\x00EFve \x0153uvre\r\n"
    L"Deutsch: Gr\x00FC\x00DF"
    L"e, \x00C4rger \x00FC"
    L"ber \x00D6l\r\n"
    L"\x0420\x0443\x0441\x0441\x043A\x0438\x0439: \x0443\x0434\x0430\x043B\x0435\x043D\x043E\r\n"
    L"\x65E5\x672C\x8A9E \x2713 \x20AC 12 \xD83D\xDE00\r\n"
    L"=?not-a-word?= and a line that is longer than seventy-six characters to see it "
    L"kept whole\r\n"
    L"\r\n"
    L"last line without terminator";

void write_utf8_base64_log_mail(peer_folder& folder) {
    folder.begin_message("utf8_base64");
    entity message;
    set_transfer_encoding(message, "base64");
    message.headers().emplace_back("To", "\"Remove-support mails\" <support@example.com>");
    message.set_charset("utf-8");
    add_text_header(folder, message, "Subject",
                    L"KORVERemover.exe log product_ver:1.2.3  OS:6.1 \x2014 Gr\x00FC\x00DF"
                    L"e "
                    L"\x041F\x0440\x0438\x0432\x0435\x0442 \x2713",
                    "utf-8");
    message.add_header("From", "<user@example.com>");
    folder.expect_header("From", L"<user@example.com>");
    folder.expect_header("To", L"\"Remove-support mails\" <support@example.com>");
    message.set_text(multilingual_text);
    folder.write_message(message);
    folder.expect_text_part(message);
}

void write_latin1_quoted_printable(peer_folder& folder) {
    folder.begin_message("latin1_qp");
    entity message;
    add_text_header(folder, message, "Subject", L"Caf\x00E9 cr\x00E8me \x00E0 la carte",
                    "iso-8859-1");
    add_text_header(folder, message, "Comments", L"\x00C4\x00D6\x00DC\x00E4\x00F6\x00FC\x00DF",
                    "iso-8859-1");
    add_text_header(folder, message, "X-Plain", L"only ascii = fine?", "iso-8859-1");
    message.set_text(std::wstring(L"short line \x00E9t\x00E9\r\n") + std::wstring(200, L'a') +
                     L"\r\n" + std::wstring(80, L'\x00E9') + L"\r\nx=y?\tz_\"q\"\r\n\r\nend");
    folder.write_message(message);
    folder.expect_text_part(message);
}

void write_cp1252_quoted_printable(peer_folder& folder) {
    folder.begin_message("cp1252_qp");
    entity message;
    message.set_charset("windows-1252");
    add_text_header(folder, message, "Subject", L"Prix: 12 \x20AC \x2014 \x201Cok\x201D \x2026 fin",
                    "windows-1252");
    message.set_text(std::wstring(L"\x20AC 12 \x2013 \x201Cquotes\x201D \x2026 \x0152uvre \x0161") +
                     L"\r\n" + std::wstring(150, L'\x20AC'));
    folder.write_message(message);
    folder.expect_text_part(message);
}

void write_multipart(peer_folder& folder) {
    folder.begin_message("multipart");
    entity message;
    message.remove_header("Content-Transfer-Encoding");
    message.set_media_type("multipart/mixed");
    message.set_boundary("XYZ-part-boundary");
    add_text_header(folder, message, "Subject",
                    L"Mehrteilig: \x00FC"
                    L"ber \x20AC",
                    "utf-8");

    entity& utf8_part = message.add_child();
    utf8_part.set_charset("utf-8");
    utf8_part.set_text(multilingual_text);

    entity& cp1252_part = message.add_child();  // 57 bytes: exactly one base64 line
    set_transfer_encoding(cp1252_part, "base64");
    cp1252_part.set_charset("windows-1252");
    cp1252_part.set_text(std::wstring(56, L'x') + L"\x20AC");

    entity& latin1_part = message.add_child();  // 58 bytes: two base64 lines
    set_transfer_encoding(latin1_part, "base64");
    latin1_part.set_text(std::wstring(57, L'\x00FF') + L"!");

    entity& image = message.add_child();
    set_transfer_encoding(image, "base64");
    image.set_media_type("image/png");
    std::string bytes;
    for (int value = 0; value < 256; ++value) bytes.push_back(static_cast<char>(value));
    image.set_body(bytes + "\r\n\r\r\n");

    folder.write_message(message);
    folder.expect_text_part(utf8_part);
    folder.expect_text_part(cp1252_part);
    folder.expect_text_part(latin1_part);
    folder.expect_bytes_part(image);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: message2_peer_writer <folder>\n";
        return 2;
    }
    try {
        peer_folder folder(argv[1]);
        write_utf8_base64_log_mail(folder);
        write_latin1_quoted_printable(folder);
        write_cp1252_quoted_printable(folder);
        write_multipart(folder);
        folder.finish();
    } catch (const std::exception& error) {
        std::cerr << "message2_peer_writer: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
