#pragma once

#include "quill/log/channel.h"

// The program-wide log channels. They exist for the whole run; every line written to the
// installer channels reaches the main channel through a proxy that the entry attaches.
quill::log::channel& MainChannel();
quill::log::channel& InstallerChannel();
quill::log::channel& Wow64InstallerChannel();

// The line that closes every step: 50 "=" characters.
extern const char* const kSeparatorLine;
