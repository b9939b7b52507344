#include "cleanup/close_by_name.h"

#include "cleanup/process.h"

namespace korve::cleanup {

void close_by_name(quill::log::channel& log, const std::string& executable_name) {
    const process target(executable_name);
    log.write(quill::log::level_note, "Dealing with '%s' process ....", executable_name.c_str());
    if (target.is_running()) {
        log.write(quill::log::level_note, "Process with name '%s' is running, let us close it",
                  target.name().c_str());
        target.terminate_all(true);
    } else {
        log.write(quill::log::level_note, "Process with name '%s' is NOT running ...",
                  target.name().c_str());
    }
}

}  // namespace korve::cleanup
