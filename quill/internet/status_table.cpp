#include "quill/internet/status_table.h"

#include "quill/exception.h"
#include "quill/format.h"

namespace quill::internet {

void raise_status(const char* call, int code, const status_row* rows, std::size_t count,
                  raise_function raise_other) {
    for (std::size_t i = 0; i < count; ++i) {
        if (rows[i].code != code) continue;
        if (rows[i].raise == nullptr) return;
        rows[i].raise(quill::format("%s() failed", call));
        return;
    }
    raise_other(quill::format("%s() returned status 0x%.8x", call, static_cast<unsigned>(code)));
}

void raise_failure(const char* call, int code, const status_row* rows, std::size_t count,
                   raise_function raise_other) {
    raise_status(call, code, rows, count, raise_other);
    // Reached only if the table ignored the code, which a failure must never be.
    throw quill::exception(
        quill::format("%s() returned status 0x%.8x", call, static_cast<unsigned>(code)));
}

}  // namespace quill::internet
