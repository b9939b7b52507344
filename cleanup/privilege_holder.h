#pragma once

#include <windows.h>

#include <string>

#include "quill/handle.h"

namespace korve::cleanup {

// Enables one privilege of the current thread's token (or, without a thread token, of the
// process token) for the holder's lifetime and then puts the previous state back. Failures
// are ignored: without the privilege the holder simply changes nothing.
class privilege_holder {
  public:
    explicit privilege_holder(const std::string& privilege_name);
    ~privilege_holder();
    privilege_holder(const privilege_holder&) = delete;
    privilege_holder& operator=(const privilege_holder&) = delete;

  private:
    quill::unique_handle token_;
    TOKEN_PRIVILEGES previous_{};
    TOKEN_PRIVILEGES requested_{};
    std::string name_;
    bool adjusted_ = false;
};

}  // namespace korve::cleanup
