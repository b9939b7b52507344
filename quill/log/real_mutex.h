#pragma once

#include <string>

#include "quill/handle.h"
#include "quill/log/scope.h"

namespace quill {

// System-wide named lock. The mutex it creates belongs to the Administrators group and grants
// access to SYSTEM and that group only; every wait for it is bounded.
class real_mutex : public scope_semantics {
  public:
    // How long one wait lasts at most, in milliseconds.
    static constexpr unsigned long wait_limit_ms = 10000;

    // A name without a backslash goes to the global namespace ("Global\" + name); a name
    // with one is used as given. Throws quill::exception "OpenMutex returned 0x%08x" when
    // the mutex can be neither created nor opened, and with ERROR_INVALID_OWNER (0x51b) when
    // it existed already and belongs, as far as the system can say, to someone other than
    // SYSTEM or the Administrators group.
    explicit real_mutex(const std::string& name);

    // Waits up to `timeout_ms`: true when the lock is held (an abandoned mutex counts as
    // acquired), false when the time ran out. Throws quill::exception
    // "WaitForSingleObject returned 0x%08x" when the wait fails.
    bool try_acquire(unsigned long timeout_ms);
    // Waits up to wait_limit_ms; a time-out throws like a failed wait, with WAIT_TIMEOUT
    // (0x102) as the code.
    void acquire() override;
    // Throws quill::exception "ReleaseMutex returned 0x%08x" on failure.
    void release() override;

    // The name the mutex was created under.
    const std::string& system_name() const noexcept { return system_name_; }

    // The namespace rule, exposed for tests.
    static std::string system_name_for(const std::string& name, unsigned long major_version);

  private:
    std::string system_name_;
    unique_handle handle_;
};

}  // namespace quill
