#pragma once

#include <cstdint>
#include <string>

#include "quill/log/channel.h"

namespace korve::installer {

// Lines of the cleaning, written to the channel of the variant that runs.

// The shorter separator that follows three of the phase banners: 49 "=" characters.
extern const char* const kShortSeparatorLine;

// An empty line, the title, then the separator.
void WriteSectionHeading(quill::log::channel& log, const char* title, const char* separator);

// "%i  %ls": a store's number and an unpacked GUID or a file path.
void WriteStoreLine(quill::log::channel& log, std::uint32_t number, const std::wstring& text);

// "%i  More than %i names: the rest not read": a store's number and the bound that cut the
// names of one of its keys.
void WriteNamesCutLine(quill::log::channel& log, std::uint32_t number, std::size_t bound);

}  // namespace korve::installer
