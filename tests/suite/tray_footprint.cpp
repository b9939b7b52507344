#include "tests/suite/tray_footprint.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include "quill/handle.h"
#include "tests/support/child_process.h"
#include "tests/support/scratch_key.h"
#include "tests/support/system_folders.h"

namespace korve::test {
namespace {

const wchar_t* const kBrandKey = L"Software\\Kestrana";
const wchar_t* const kBrandBackup = L"Software\\KORVETests\\saved-kestrana";
const wchar_t* const kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t* const kRunValue = L"PellamTray";
const wchar_t* const kSharedDlls = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
constexpr REGSAM kView32 = KEY_WOW64_32KEY;

quill::unique_hkey open_32(const std::wstring& path, bool create) {
    quill::unique_hkey key;
    const LONG result =
        create ? ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                                   KEY_ALL_ACCESS | kView32, nullptr, key.put(), nullptr)
               : ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS | kView32,
                                 key.put());
    if (create) {
        EXPECT_EQ(ERROR_SUCCESS, result) << "32-bit view key";
    }
    return key;
}

std::vector<std::wstring> value_names(HKEY key) {
    std::vector<std::wstring> names;
    wchar_t name[1024];
    for (DWORD index = 0;; ++index) {
        DWORD length = 1024;
        if (::RegEnumValueW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            return names;
        }
        names.emplace_back(name, length);
    }
}

bool read_value(HKEY key, const std::wstring& name, DWORD& type, std::vector<BYTE>& data) {
    DWORD size = 0;
    if (::RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
        return false;
    }
    data.resize(size);
    return ::RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &size) ==
           ERROR_SUCCESS;
}

bool is_brand_counter(const std::wstring& name) {
    return name.find(L"Kestrana") != std::wstring::npos;
}

}  // namespace

tray_footprint::tray_footprint()
    : common_app_data_(system_folder(CSIDL_COMMON_APPDATA) + "\\"),
      program_files_x86_(system_folder(CSIDL_PROGRAM_FILESX86) + "\\"),
      app_data_(system_folder(CSIDL_APPDATA) + "\\"),
      common_brand_(common_app_data_ + "Kestrana"),
      programs_brand_(program_files_x86_ + "Kestrana"),
      user_brand_(app_data_ + "Kestrana") {
    save_registry();
}

tray_footprint::~tray_footprint() {
    trays_.clear();
    restore_registry();
}

std::string tray_footprint::ConfigurationFolder() const {
    return common_app_data_ + "Kestrana\\Tray\\Configurations";
}
std::string tray_footprint::program_folder() const {
    return program_files_x86_ + "Kestrana\\Tray\\";
}
std::string tray_footprint::shared_data_folder() const {
    return common_app_data_ + "Kestrana\\Tray";
}
std::string tray_footprint::user_data_folder() const {
    return app_data_ + "Kestrana\\Tray";
}

void tray_footprint::save_registry() {
    if (quill::unique_hkey brand = open_32(kBrandKey, false)) {
        delete_tree_if_present(HKEY_LOCAL_MACHINE, kBrandBackup);
        quill::unique_hkey backup;
        ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kBrandBackup, 0, nullptr, 0,
                                                   KEY_ALL_ACCESS, nullptr, backup.put(), nullptr));
        ASSERT_EQ(ERROR_SUCCESS, ::RegCopyTreeW(brand.get(), nullptr, backup.get()));
        brand_key_saved_ = true;
    }
    EXPECT_EQ(ERROR_SUCCESS, delete_tree_if_present(HKEY_LOCAL_MACHINE, kBrandKey, kView32));

    quill::unique_hkey run = open_32(kRunKey, true);
    run_value_.name = kRunValue;
    run_value_saved_ = read_value(run.get(), kRunValue, run_value_.type, run_value_.data);
    ::RegDeleteValueW(run.get(), kRunValue);

    DWORD disposition = 0;
    quill::unique_hkey shared;
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSharedDlls, 0, nullptr, 0,
                                KEY_ALL_ACCESS | kView32, nullptr, shared.put(), &disposition));
    shared_dlls_created_ = disposition == REG_CREATED_NEW_KEY;
    for (const std::wstring& name : value_names(shared.get())) {
        if (!is_brand_counter(name)) continue;
        saved_value saved{name, 0, {}};
        if (read_value(shared.get(), name, saved.type, saved.data)) counters_.push_back(saved);
        ::RegDeleteValueW(shared.get(), name.c_str());
    }
}

void tray_footprint::restore_registry() {
    delete_tree_if_present(HKEY_LOCAL_MACHINE, kBrandKey, kView32);
    if (brand_key_saved_) {
        quill::unique_hkey brand = open_32(kBrandKey, true);
        quill::unique_hkey backup;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kBrandBackup, 0, KEY_READ, backup.put()) ==
            ERROR_SUCCESS) {
            EXPECT_EQ(ERROR_SUCCESS, ::RegCopyTreeW(backup.get(), nullptr, brand.get()));
        }
        backup.reset();
        delete_tree_if_present(HKEY_LOCAL_MACHINE, kBrandBackup);
    }

    quill::unique_hkey run = open_32(kRunKey, true);
    ::RegDeleteValueW(run.get(), kRunValue);
    if (run_value_saved_) {
        ::RegSetValueExW(run.get(), kRunValue, 0, run_value_.type, run_value_.data.data(),
                         static_cast<DWORD>(run_value_.data.size()));
    }

    quill::unique_hkey shared = open_32(kSharedDlls, true);
    for (const std::wstring& name : value_names(shared.get())) {
        if (is_brand_counter(name)) ::RegDeleteValueW(shared.get(), name.c_str());
    }
    for (const saved_value& saved : counters_) {
        ::RegSetValueExW(shared.get(), saved.name.c_str(), 0, saved.type, saved.data.data(),
                         static_cast<DWORD>(saved.data.size()));
    }
    const bool empty = value_names(shared.get()).empty();
    shared.reset();
    if (shared_dlls_created_ && empty) {
        ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kSharedDlls, kView32, 0);
    }
}

void tray_footprint::create_key(const std::wstring& path) {
    open_32(path, true);
}

bool tray_footprint::key_exists(const std::wstring& path) const {
    return static_cast<bool>(open_32(path, false));
}

void tray_footprint::set_run_value(const std::wstring& command) {
    quill::unique_hkey run = open_32(kRunKey, true);
    EXPECT_EQ(ERROR_SUCCESS,
              ::RegSetValueExW(run.get(), kRunValue, 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(command.c_str()),
                               static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t))));
}

void tray_footprint::remove_run_value() {
    quill::unique_hkey run = open_32(kRunKey, true);
    ::RegDeleteValueW(run.get(), kRunValue);
}

bool tray_footprint::run_value_exists() const {
    quill::unique_hkey run = open_32(kRunKey, true);
    return ::RegQueryValueExW(run.get(), kRunValue, nullptr, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

void tray_footprint::set_counter(const std::wstring& name, DWORD value) {
    quill::unique_hkey shared = open_32(kSharedDlls, true);
    EXPECT_EQ(ERROR_SUCCESS, ::RegSetValueExW(shared.get(), name.c_str(), 0, REG_DWORD,
                                              reinterpret_cast<const BYTE*>(&value), 4));
}

bool tray_footprint::counter_exists(const std::wstring& name) const {
    quill::unique_hkey shared = open_32(kSharedDlls, true);
    return ::RegQueryValueExW(shared.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

DWORD tray_footprint::counter(const std::wstring& name) const {
    quill::unique_hkey shared = open_32(kSharedDlls, true);
    DWORD value = 0xBDBDBDBD;
    DWORD size = sizeof(value);
    ::RegQueryValueExW(shared.get(), name.c_str(), nullptr, nullptr,
                       reinterpret_cast<BYTE*>(&value), &size);
    return value;
}

std::string tray_footprint::built_tray() {
    return beside_test_executable("..\\support\\KestranaTray.exe");
}

const started_process& tray_footprint::start_tray(const std::string& program_path,
                                                  bool cooperative) {
    trays_.push_back(
        std::make_unique<started_process>(program_path, cooperative ? "" : "--ignore-quit"));
    // Ready once its quit event exists.
    for (int tries = 0; cooperative && tries < 200; ++tries) {
        quill::unique_handle ready(::OpenEventW(SYNCHRONIZE, FALSE, L"KestranaTrayTestQuit"));
        if (ready) break;
        ::Sleep(50);
    }
    return *trays_.back();
}

}  // namespace korve::test
