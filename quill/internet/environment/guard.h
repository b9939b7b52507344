#pragma once

#include <winsock2.h>

#include "quill/internet/environment/errors.h"

namespace quill::internet::environment {

// Windows Sockets for the guard's lifetime: started (version 1.1) by the constructor,
// stopped by the destructor. Guards may nest; each one is one start-up and one clean-up.
class guard {
  public:
    // Throws subsystem_not_ready, version_not_supported or generic "WSAStartup() ...".
    guard();
    // Calls cleanup() and swallows whatever it throws.
    ~guard();

    guard(const guard&) = delete;
    guard& operator=(const guard&) = delete;

    const WSADATA& data() const noexcept { return data_; }

  private:
    WSADATA data_;
};

// One WSACleanup. Without a matching start-up (10093) it does nothing; other failures throw
// subsystem_failed or generic "WSACleanup() ...".
void cleanup();

}  // namespace quill::internet::environment
