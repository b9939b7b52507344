#include "driver/removal_step.h"

#include <new>

#include "quill/unicode/errors.h"

namespace korve::driver {

void RunRemovalStep(const std::function<void()>& step) {
    try {
        step();
    } catch (const std::bad_alloc&) {
        // Without a line, like the errors the steps catch themselves; the step's scopes have
        // released what it held, so the next step has its memory back.
    } catch (const quill::unicode::out_of_memory&) {
        // A text too large to convert, the same shortage.
    }
}

}  // namespace korve::driver
