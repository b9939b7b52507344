#pragma once

#include <string>

#include "quill/handle.h"
#include "quill/log/scope.h"

namespace quill {

// System-wide named lock, usable by every process and user (null access list).
class real_mutex : public scope_semantics {
  public:
    // A name without a backslash goes to the global namespace ("Global\" + name); a name
    // with one is used as given. Throws quill::exception "OpenMutex returned 0x%08x" when
    // the mutex can be neither created nor opened.
    explicit real_mutex(const std::string& name);

    // Waits without limit; an abandoned mutex counts as acquired. Throws quill::exception
    // "WaitForSingleObject returned 0x%08x" when the wait fails.
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
