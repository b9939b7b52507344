#pragma once

namespace quill {

// Lock interface shared by the process-local and the system-wide lock.
class scope_semantics {
  public:
    virtual void acquire() = 0;
    virtual void release() = 0;

  protected:
    // Locks are never deleted through this interface.
    ~scope_semantics() = default;
};

// Holds a lock for its lifetime. An early release() is not repeated at destruction, so a
// lock is released exactly once, also when an error passes.
class scope final : public scope_semantics {
  public:
    explicit scope(scope_semantics& lock) : lock_(&lock) { lock_->acquire(); }
    ~scope();
    scope(const scope&) = delete;
    scope& operator=(const scope&) = delete;

    void acquire() override;
    void release() override;

  private:
    scope_semantics* lock_;
};

}  // namespace quill
