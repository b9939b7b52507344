#include "channels/program_log.h"

#include <cstdint>
#include <limits>

namespace {

const char* const kLogBaseName = "KORVERemover";
// Runs append to the one file: it is emptied only at the largest size a listener allows, and
// nothing is kept of it then.
const std::uint32_t kNoSizeLimit = std::numeric_limits<std::uint32_t>::max();
const std::uint32_t kNoKeptCopies = 0;

}  // namespace

const char* const kNoLogFileText =
    "Unable to create log file. If you need log file make sure that you have permission to "
    "write to directory where remove.exe is located";

std::unique_ptr<quill::log::file> NewLogFileListener() {
    return std::make_unique<quill::log::file>(kLogBaseName, kNoSizeLimit, kNoKeptCopies);
}

std::string LogFileName() {
    return quill::log::file::name_for(kLogBaseName);
}
