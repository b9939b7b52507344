#include "quill/internet/environment/status.h"

#include <winsock2.h>

#include "quill/internet/environment/errors.h"
#include "quill/internet/status_table.h"

namespace quill::internet::environment {

void raise_startup_status(int code) {
    static const status_row rows[] = {
        {WSASYSNOTREADY, raise<subsystem_not_ready>},
        {WSAVERNOTSUPPORTED, raise<version_not_supported>},
    };
    raise_status("WSAStartup", code, rows, raise<generic>);
}

void raise_cleanup_status(int code) {
    static const status_row rows[] = {
        {WSAENETDOWN, raise<subsystem_failed>},
        {WSANOTINITIALISED, nullptr},
    };
    raise_status("WSACleanup", code, rows, raise<generic>);
}

}  // namespace quill::internet::environment
