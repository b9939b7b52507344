#pragma once

#include <optional>
#include <string>

namespace korve::installer {

// Whose installer data a store holds. Any user writes their own hive, so what a user's hive
// names may act only on that user's own data; the machine's stores name what acts everywhere.

// The machine, one user (by SID text), or the current user whose SID could not be read. Each
// equals only itself: an unreadable user is neither the machine nor any SID.
class HiveOwner {
  public:
    // The machine; also the default, as for a store whose path names a machine hive.
    HiveOwner() noexcept = default;
    static HiveOwner Machine() { return HiveOwner(); }
    // The user of `sid`; without a SID (it could not be read) the unreadable user.
    static HiveOwner User(std::optional<std::wstring> sid);
    // The user whose token the process runs with.
    static HiveOwner CurrentUser();

    bool is_machine() const noexcept { return kind_ == kind::machine; }
    // The SID text of a user; empty for the machine and the unreadable user.
    const std::wstring& sid() const noexcept { return sid_; }

    friend bool operator==(const HiveOwner& a, const HiveOwner& b) {
        return a.kind_ == b.kind_ && a.sid_ == b.sid_;
    }
    friend bool operator!=(const HiveOwner& a, const HiveOwner& b) { return !(a == b); }
    friend bool operator<(const HiveOwner& a, const HiveOwner& b) {
        return a.kind_ != b.kind_ ? a.kind_ < b.kind_ : a.sid_ < b.sid_;
    }

  private:
    enum class kind { machine, user, unreadable_user };
    kind kind_ = kind::machine;
    std::wstring sid_;
};

// The owner of the root store at `root_path`: HKLM is the machine's; HKCU is the current
// user's; HKU\<SID> and HKU\<SID>_Classes are <SID>'s (HKU alone, writable by administrators
// only, the machine's); an HKCR key is the current user's when the user's own classes
// (HKCU\Software\Classes) hold its Installer key, since HKCR then shows the user's copy, and
// the machine's otherwise.
HiveOwner StoreOwner(const std::wstring& root_path);

// The SID text of the user whose token the process runs with; nothing if it cannot be read.
std::optional<std::wstring> CurrentUserSid();

}  // namespace korve::installer
