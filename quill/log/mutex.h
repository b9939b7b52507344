#pragma once

#include <windows.h>

#include "quill/log/scope.h"

namespace quill {

// Process-local lock: one critical section.
class mutex : public scope_semantics {
  public:
    mutex() { ::InitializeCriticalSection(&section_); }
    ~mutex() { ::DeleteCriticalSection(&section_); }
    mutex(const mutex&) = delete;
    mutex& operator=(const mutex&) = delete;

    void acquire() override { ::EnterCriticalSection(&section_); }
    void release() override { ::LeaveCriticalSection(&section_); }

  private:
    CRITICAL_SECTION section_;
};

}  // namespace quill
