#pragma once

#include <string>

#include "quill/internet/message2/entity.h"

namespace korve::mail {

// The log mail's message without its sender: a text/plain entity in utf-8 and base64 whose
// headers are Subject, Content-Type, Content-Transfer-Encoding and To, in this order (the
// sender's From goes in front once it is known).
quill::internet::message2::entity NewLogMail(const std::string& support_mailbox,
                                             const std::string& subject);

// "KORVERemover.exe log product_ver:<version>  OS:<major>.<minor>", with "NUL" for an empty
// product version. Control characters of the version (CR and LF among them) become blanks and
// characters beyond ASCII "?", so a registry value can never add header lines or raw bytes.
std::string LogMailSubject(const std::wstring& product_version, unsigned long os_major,
                           unsigned long os_minor);

// The system's version as GetVersionExA reports it (zeros if it fails).
void ReportedSystemVersion(unsigned long& major, unsigned long& minor) noexcept;

// Makes the log file's bytes the mail's text and body:
// - UTF-16 little-endian (first byte 0xFF, 0xFE or 0x00, or second byte 0x00): the bytes are
//   the text's units, byte-order mark included (an odd last byte is dropped), converted to
//   UTF-8 for the body;
// - UTF-8 with a byte-order mark (EF BB BF, as the program writes its log): the text is
//   decoded from UTF-8 and the body is the file's bytes unchanged, mark included;
// - anything else: text in the system's ANSI code page, converted to UTF-8.
// Throws the conversion errors of quill::unicode (a lone surrogate, a byte the ANSI code
// page lacks); the entity is then unchanged.
void SetLogText(quill::internet::message2::entity& mail, const std::string& file_bytes);

}  // namespace korve::mail
