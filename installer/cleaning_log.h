#pragma once

#include "quill/log/channel.h"

namespace korve::installer {

// The headings of the cleaning, written to the channel of the variant that runs.

// The shorter separator that follows three of the phase banners: 49 "=" characters.
extern const char* const kShortSeparatorLine;

// An empty line, the title, then the separator.
void WriteSectionHeading(quill::log::channel& log, const char* title, const char* separator);

}  // namespace korve::installer
