#include "installer/cleaning_log.h"

namespace korve::installer {

const char* const kShortSeparatorLine = "=================================================";

void WriteSectionHeading(quill::log::channel& log, const char* title, const char* separator) {
    log.write(quill::log::level_note, "");
    log.write(quill::log::level_note, title);
    log.write(quill::log::level_note, separator);
}

}  // namespace korve::installer
