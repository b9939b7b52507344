#pragma once

#include <string>

#include "quill/system_version.h"

namespace korve::cleanup {

// Windows 2000 reports at most 15 characters of an executable's name in its process list, so
// names are shortened there before matching; other systems keep the name whole.
// Library rule: a name of 16 or more characters is cut to 15.
std::string shorten_name_for_system(const std::string& name, const quill::system_version& system);
// Product step's rule: a name longer than 14 characters is cut to 14 when its 15th character is
// ".", otherwise to 15.
std::string shorten_product_name_for_system(const std::string& name,
                                            const quill::system_version& system);

// The running instances of one executable, found by file name: a process matches when its
// executable name ends with this name, compared without regard to case.
class process {
  public:
    // Applies the library's shortening rule for the running system.
    explicit process(const std::string& executable_name);

    const std::string& name() const noexcept { return name_; }

    // True when a matching process runs; a process list that cannot be read gives false.
    bool is_running() const;

    // Terminates every matching process with exit code 255, except the current process and
    // its parent. A process that cannot be opened is retried with the debug privilege enabled
    // when `use_debug_privilege` is set, otherwise left alone. Reports nothing; does not wait
    // for the processes to end.
    void terminate_all(bool use_debug_privilege) const;

  protected:
    struct name_as_given {};
    // Keeps the name unchanged (for callers with a shortening rule of their own).
    process(std::string executable_name, name_as_given) : name_(std::move(executable_name)) {}

  private:
    std::string name_;
};

// Terminates the process with this id (exit code 255) only when the image path of the opened
// process still ends with `executable_name` (without regard to case): an id taken from a
// snapshot may since have passed to an unrelated process. Returns false when the process
// cannot be opened (for termination and query), true otherwise, terminated or not.
bool terminate_if_named(unsigned long process_id, const std::string& executable_name);

// Whether `executable` ends with `wanted`, both lower-cased byte by byte.
bool name_matches(const std::string& executable, const std::string& wanted);

}  // namespace korve::cleanup
