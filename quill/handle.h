#pragma once

#include <windows.h>

#include <utility>

namespace quill {

// One move-only owner per handle kind; the kind's invalid value and close function are part
// of its traits, so a handle is closed exactly once, on every path.
template <typename Traits>
class unique_any {
  public:
    using pointer = typename Traits::pointer;

    unique_any() noexcept = default;
    explicit unique_any(pointer value) noexcept : value_(value) {}
    ~unique_any() { reset(); }

    unique_any(unique_any&& other) noexcept : value_(other.release()) {}
    unique_any& operator=(unique_any&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    unique_any(const unique_any&) = delete;
    unique_any& operator=(const unique_any&) = delete;

    pointer get() const noexcept { return value_; }
    bool valid() const noexcept { return value_ != Traits::invalid(); }
    explicit operator bool() const noexcept { return valid(); }

    // Gives up ownership without closing.
    pointer release() noexcept { return std::exchange(value_, Traits::invalid()); }

    void reset(pointer value = Traits::invalid()) noexcept {
        const pointer old = std::exchange(value_, value);
        if (old != Traits::invalid()) Traits::close(old);
    }

    // For out-parameters of API calls: closes the current handle first.
    pointer* put() noexcept {
        reset();
        return &value_;
    }

  private:
    pointer value_ = Traits::invalid();
};

namespace handle_traits {

struct kernel_object {  // processes, tokens, mutexes, snapshots ... (NULL when absent)
    using pointer = HANDLE;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::CloseHandle(h); }
};

struct file {  // CreateFile and CreateToolhelp32Snapshot report INVALID_HANDLE_VALUE
    using pointer = HANDLE;
    static pointer invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(pointer h) noexcept { ::CloseHandle(h); }
};

struct find {
    using pointer = HANDLE;
    static pointer invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(pointer h) noexcept { ::FindClose(h); }
};

struct registry_key {
    using pointer = HKEY;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::RegCloseKey(h); }
};

struct module {
    using pointer = HMODULE;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::FreeLibrary(h); }
};

struct sid {
    using pointer = PSID;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::FreeSid(h); }
};

struct window {
    using pointer = HWND;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::DestroyWindow(h); }
};

}  // namespace handle_traits

using unique_handle = unique_any<handle_traits::kernel_object>;
using unique_file = unique_any<handle_traits::file>;
using unique_find = unique_any<handle_traits::find>;
using unique_hkey = unique_any<handle_traits::registry_key>;
using unique_module = unique_any<handle_traits::module>;
using unique_sid = unique_any<handle_traits::sid>;
using unique_window = unique_any<handle_traits::window>;

}  // namespace quill
