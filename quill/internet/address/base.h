#pragma once

#include <string>

namespace quill::internet::address {

// A socket address in its raw form, as the socket calls take it.
class base {
  public:
    virtual ~base() = default;

    // Copies a raw socket address of `size` bytes. Throws invalid_address_format
    // "Size mismatch" when the size is not this kind's; the address is then unchanged.
    virtual void assign(const void* data, int size) = 0;
    virtual void* data() noexcept = 0;
    virtual const void* data() const noexcept = 0;
    virtual int size() const noexcept = 0;
    // The host as text (getnameinfo with `flags`, retried once numerically).
    // Throws address::generic when both attempts fail.
    virtual std::string host_text(int flags) const = 0;
    // In host byte order.
    virtual unsigned short port() const noexcept = 0;

    // Sizes compare first, then the raw bytes in memcmp order.
    virtual bool equals(const base& other) const noexcept;
    virtual bool differs(const base& other) const noexcept;
    virtual bool less(const base& other) const noexcept;

  protected:
    base() = default;
    base(const base&) = default;
    base& operator=(const base&) = default;

  private:
    int compare(const base& other) const noexcept;
};

}  // namespace quill::internet::address
