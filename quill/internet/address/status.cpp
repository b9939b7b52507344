#include "quill/internet/address/status.h"

#include "quill/internet/address/errors.h"
#include "quill/internet/environment/errors.h"
#include "quill/internet/status_table.h"

namespace quill::internet::address {

void raise_lookup_status(int code) {
    static const status_row rows[] = {
        {10093, raise<environment::subsystem_not_ready>},
        {10109, raise<service_not_found>},
        {11001, raise<host_not_found>},
        {11004, raise<host_not_found>},
    };
    raise_failure("GetAddrInfoA", code, rows, raise<generic>);
}

}  // namespace quill::internet::address
