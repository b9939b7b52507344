#include "quill/internet/environment/status.h"

#include "quill/internet/environment/errors.h"
#include "quill/internet/status_table.h"

namespace quill::internet::environment {

void raise_startup_status(int code) {
    static const status_row rows[] = {
        {10091, raise<subsystem_not_ready>},
        {10092, raise<version_not_supported>},
    };
    raise_status("WSAStartup", code, rows, raise<generic>);
}

void raise_cleanup_status(int code) {
    static const status_row rows[] = {
        {10050, raise<subsystem_failed>},
        {10093, nullptr},
    };
    raise_status("WSACleanup", code, rows, raise<generic>);
}

}  // namespace quill::internet::environment
