// Test peer: appends numbered lines to a log file through its own channel and file listener.
//   log_writer <base name> <tag> <count>
#include <cstdlib>
#include <memory>
#include <string>

#include "quill/log/channel.h"
#include "quill/log/file.h"

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    const std::string tag = argv[2];
    const int count = std::atoi(argv[3]);
    quill::log::channel channel;
    channel.attach(0, std::make_unique<quill::log::file>(argv[1], 0xFFFFFFFFu, 0));
    for (int i = 0; i < count; ++i) channel.write(1, "%s %d", tag.c_str(), i);
    return 0;
}
