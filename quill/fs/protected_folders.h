#pragma once

#include <string>
#include <vector>

namespace quill::fs {

// The folders that no deletion of this program may take, compared in their normal form
// (normal_path) under Windows' case rule. Deleting a path is refused when the path has no
// normal form, is named drive-relative ("C:", "C:x"), is a drive or share root, is a protected
// folder or holds one, or lies inside a protected tree.
class protected_folders {
  public:
    // A folder keeps itself and every folder that holds it; a tree also all it holds.
    enum class reach { folder, tree };

    protected_folders() = default;  // protects roots and unnormal paths only

    // The system's own folders as the system names them now, each also where it really leads:
    // the Windows and system folders (trees); the program folders; the profile folders, the
    // temporary and shared data folders; every profile listed under ProfileList with its
    // standard folders by name (Desktop, Documents, Downloads, Music, Pictures, Videos, AppData
    // with Local, LocalLow and Roaming), whether or not its hive is loaded; the shell folders of
    // the machine, of the user and of every loaded hive. Values longer than any folder's path
    // are skipped; a user's key is read only up to a bound, and all keys up to another. Never
    // throws; what could not be read leaves it incomplete.
    static protected_folders of_the_system() noexcept;

    // of_the_system(), collected at the first call and kept for the rest of the run.
    static const protected_folders& of_this_run() noexcept;

    // Adds an absolute `path` in any spelling, and where it really leads when that differs; a
    // relative path or one without a normal form adds nothing. Throws std::bad_alloc only.
    void add(const std::wstring& path, reach extent);

    // False when a folder source could not be read (other than "not there") or a bound was
    // reached in all: deletions that must not be wrong should then be refused.
    bool complete() const noexcept { return complete_; }

    // True when deleting `path` (any spelling) is refused, as described above. Never throws.
    bool protects(const std::wstring& path) const noexcept;

  private:
    friend class folder_collector;

    struct entry {
        std::wstring normal;
        reach extent;
    };
    bool listed(const std::wstring& normal, reach extent) const noexcept;

    std::vector<entry> entries_;
    bool complete_ = true;
};

// The folders programs are installed into and keep their shared data in (Program Files, its
// 32-bit twin, the Common Files folders, ProgramData), in every spelling the system gives:
// shell, environment and registry. Part of of_the_system(); unreadable sources are skipped.
std::vector<std::wstring> program_folders();

// The folders only administrators can change, whose own links are the system's arrangement:
// the Windows and system folders and program_folders(), as the system names them now.
std::vector<std::wstring> administrator_folders();

// The one check before every deletion: protected_folders::of_this_run().protects(path). An ANSI
// path that does not convert is refused too. Never throws.
bool is_protected(const std::wstring& path) noexcept;
bool is_protected(const std::string& ansi_path) noexcept;

}  // namespace quill::fs
