#include "quill/internet/address/status.h"

#include <winsock2.h>

#include "quill/internet/address/errors.h"
#include "quill/internet/environment/errors.h"
#include "quill/internet/status_table.h"

namespace quill::internet::address {

void raise_lookup_status(int code) {
    static const status_row rows[] = {
        {WSANOTINITIALISED, raise<environment::subsystem_not_ready>},
        {WSATYPE_NOT_FOUND, raise<service_not_found>},
        {WSAHOST_NOT_FOUND, raise<host_not_found>},
        {WSANO_DATA, raise<host_not_found>},
    };
    raise_failure("GetAddrInfoA", code, rows, raise<generic>);
}

}  // namespace quill::internet::address
