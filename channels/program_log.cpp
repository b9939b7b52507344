#include "channels/program_log.h"

namespace {

const char* const kLogBaseName = "KORVERemover";

}  // namespace

const char* const kNoLogFileText =
    "Unable to create log file. If you need log file make sure that you have permission to "
    "write to directory where remove.exe is located";

std::unique_ptr<quill::log::file> NewLogFileListener() {
    return std::make_unique<quill::log::file>(kLogBaseName, 0xFFFFFFFFu, 0);
}

std::string LogFileName() {
    return quill::log::file::name_for(kLogBaseName);
}
