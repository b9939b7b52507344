#include "mail/log_mail.h"

#include <windows.h>

#include "quill/format.h"
#include "quill/unicode/conversion.h"

namespace korve::mail {
namespace {

const char* const kSupportDisplayName = "\"Remove-support mails\"";

bool IsUtf16(const std::string& bytes) {
    const auto first = static_cast<unsigned char>(bytes[0]);
    const auto second = static_cast<unsigned char>(bytes[1]);
    return first == 0xFF || first == 0xFE || first == 0x00 || second == 0x00;
}

bool HasUtf8Mark(const std::string& bytes) {
    return bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
}

// The version comes from the registry: anything but printable ASCII would put raw bytes or,
// with CR or LF, further header lines into the mail.
std::string PrintableVersion(const std::wstring& version) {
    std::string printable;
    printable.reserve(version.size());
    for (const wchar_t unit : version) {
        if (unit < 0x20 || unit == 0x7F) {
            printable += ' ';
        } else if (unit > 0x7E) {
            printable += '?';
        } else {
            printable += static_cast<char>(unit);
        }
    }
    return printable;
}

}  // namespace

quill::internet::message2::entity NewLogMail(const std::string& support_mailbox,
                                             const std::string& subject) {
    quill::internet::message2::entity mail;
    mail.remove_header("Content-Transfer-Encoding");
    mail.headers().emplace_back("Content-Transfer-Encoding", "base64");
    mail.headers().emplace_back("To",
                                std::string(kSupportDisplayName) + " <" + support_mailbox + ">");
    mail.set_charset("utf-8");
    mail.add_header("Subject", subject);
    return mail;
}

std::string LogMailSubject(const std::wstring& product_version, unsigned long os_major,
                           unsigned long os_minor) {
    const int major = static_cast<int>(os_major);
    const int minor = static_cast<int>(os_minor);
    if (product_version.empty()) {
        return quill::format("KORVERemover.exe log product_ver:NUL  OS:%i.%i", major, minor);
    }
    return quill::format("KORVERemover.exe log product_ver:%s  OS:%i.%i",
                         PrintableVersion(product_version).c_str(), major, minor);
}

void ReportedSystemVersion(unsigned long& major, unsigned long& minor) noexcept {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
#ifdef _MSC_VER
#pragma warning(suppress : 4996)  // the mail names the version the program is shown
#endif
    const BOOL known = ::GetVersionExA(&info);
    major = known ? info.dwMajorVersion : 0;
    minor = known ? info.dwMinorVersion : 0;
}

void SetLogText(quill::internet::message2::entity& mail, const std::string& file_bytes) {
    if (file_bytes.size() >= 2 && IsUtf16(file_bytes)) {
        std::wstring units(file_bytes.size() / 2, L'\0');
        for (std::size_t i = 0; i < units.size(); ++i) {
            units[i] = static_cast<wchar_t>(static_cast<unsigned char>(file_bytes[2 * i]) |
                                            static_cast<unsigned char>(file_bytes[2 * i + 1]) << 8);
        }
        mail.set_text(units);
    } else if (HasUtf8Mark(file_bytes)) {
        // Read as ANSI text, every non-ASCII character of the log would arrive corrupted,
        // and a byte the ANSI code page lacks would end the whole submission.
        mail.set_text(quill::unicode::to_wide(file_bytes, quill::unicode::utf8_codepage));
        // Invalid sequences were replaced while decoding; the body keeps the file as it is.
        if (mail.body() != file_bytes) mail.set_body(file_bytes);
    } else {
        mail.set_text(file_bytes);
    }
}

}  // namespace korve::mail
