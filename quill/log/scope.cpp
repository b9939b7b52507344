#include "quill/log/scope.h"

namespace quill {

scope::~scope() {
    if (lock_ == nullptr) return;
    try {
        lock_->release();
    } catch (...) {
        // A destructor must not throw; a failed release surfaces at the next acquire.
    }
}

void scope::acquire() {
    if (lock_ != nullptr) lock_->acquire();
}

void scope::release() {
    if (lock_ == nullptr) return;
    scope_semantics* const lock = lock_;
    lock_ = nullptr;
    lock->release();
}

}  // namespace quill
