#include "channels/program_channels.h"

const char* const kSeparatorLine = "==================================================";

quill::log::channel& MainChannel() {
    static quill::log::channel channel;
    return channel;
}

quill::log::channel& InstallerChannel() {
    static quill::log::channel channel;
    return channel;
}

quill::log::channel& Wow64InstallerChannel() {
    static quill::log::channel channel;
    return channel;
}

namespace {

// Constructs the program-wide channels during static initialisation, before the entry runs,
// so that they are destroyed only after everything that may still write to them.
struct ProgramChannelsAtStartUp {
    ProgramChannelsAtStartUp() {
        MainChannel();
        InstallerChannel();
        Wow64InstallerChannel();
    }
} const program_channels_at_start_up;

}  // namespace
