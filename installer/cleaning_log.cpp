#include "installer/cleaning_log.h"

namespace korve::installer {

const char* const kShortSeparatorLine = "=================================================";

void WriteSectionHeading(quill::log::channel& log, const char* title, const char* separator) {
    log.write(quill::log::level_note, "");
    log.write(quill::log::level_note, title);
    log.write(quill::log::level_note, separator);
}

void WriteStoreLine(quill::log::channel& log, std::uint32_t number, const std::wstring& text) {
    log.write(quill::log::level_note, L"%i  %ls", static_cast<int>(number), text.c_str());
}

void WriteNamesCutLine(quill::log::channel& log, std::uint32_t number, std::size_t bound) {
    log.write(quill::log::level_note, "%i  More than %i names: the rest not read",
              static_cast<int>(number), static_cast<int>(bound));
}

}  // namespace korve::installer
