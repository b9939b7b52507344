#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/saved_folder.h"
#include "tests/support/started_process.h"

namespace korve::test {

// The shared tray's fixed places in the test prefix: the "Kestrana" folders below the common
// application data, Program Files (x86) and application data folders; the "Software\Kestrana"
// key, the "PellamTray" start-up value and the "Kestrana" SharedDLLs counters of the 32-bit
// registry view; the tray processes the test starts. What was there is moved aside on
// construction and put back at the end, after everything the test left has been removed.
class tray_footprint {
  public:
    tray_footprint();
    ~tray_footprint();
    tray_footprint(const tray_footprint&) = delete;
    tray_footprint& operator=(const tray_footprint&) = delete;

    // System folders in the ANSI code page, each with a final backslash.
    const std::string& common_app_data() const noexcept { return common_app_data_; }
    const std::string& program_files_x86() const noexcept { return program_files_x86_; }
    const std::string& app_data() const noexcept { return app_data_; }

    std::string ConfigurationFolder() const;  // ...\Kestrana\Tray\Configurations
    std::string program_folder() const;       // ...\Kestrana\Tray\ (final backslash)
    std::string shared_data_folder() const;
    std::string user_data_folder() const;

    // Registry of the 32-bit view below HKEY_LOCAL_MACHINE; they fail the test on error.
    void create_key(const std::wstring& path);
    bool key_exists(const std::wstring& path) const;
    void set_run_value(const std::wstring& command);
    void remove_run_value();
    bool run_value_exists() const;
    void set_counter(const std::wstring& name, DWORD value);
    bool counter_exists(const std::wstring& name) const;
    DWORD counter(const std::wstring& name) const;

    // Starts a copy of the stand-in tray program; it is terminated at the end if still running.
    // With `cooperative`, returns once it is ready to be asked to quit.
    const started_process& start_tray(const std::string& program_path, bool cooperative);
    // The stand-in tray program as built.
    static std::string built_tray();

  private:
    struct saved_value {
        std::wstring name;
        DWORD type;
        std::vector<BYTE> data;
    };

    void save_registry();
    void restore_registry();

    std::string common_app_data_;
    std::string program_files_x86_;
    std::string app_data_;
    saved_folder common_brand_;
    saved_folder programs_brand_;
    saved_folder user_brand_;
    bool brand_key_saved_ = false;
    bool run_value_saved_ = false;
    saved_value run_value_{};
    std::vector<saved_value> counters_;
    bool shared_dlls_created_ = false;
    // Last, so the trays end before the folders they run from are put back.
    std::vector<std::unique_ptr<started_process>> trays_;
};

}  // namespace korve::test
