#pragma once

#include <string>

namespace korve::suite {

// The names a suite product's share of the tray is known by.
struct tray_names {
    std::wstring brand;         // brand folder, also the registry key below Software
    std::wstring tray;          // tray folder below the brand folder
    std::wstring product_code;  // the product's configuration file and update icon
    std::wstring program;       // the tray program's file name
};

// Wide text of an ANSI path (a system folder as the known-folder getter gives it), converted
// from the ANSI code page, so that non-ASCII letters keep their meaning.
// Throws quill::unicode errors for bytes the code page does not define.
std::wstring widen_path(const std::string& ansi_path);
// The ANSI form of a wide path for the narrow file and log calls. Throws
// quill::unicode::unmappable_character for a character the code page lacks.
std::string narrow_path(const std::wstring& path);

// Paths built from system folders that end in a backslash. The configuration folder keeps the
// doubled separator after the common application-data folder; the file system ignores it.
std::wstring configuration_folder(const std::wstring& common_app_data, const tray_names& names);
std::wstring own_configuration_file(const std::wstring& configuration_folder,
                                    const tray_names& names);
// Ends in a backslash.
std::wstring tray_program_folder(const std::wstring& program_files_x86, const tray_names& names);
std::wstring update_icon(const std::wstring& program_folder, const tray_names& names);
std::wstring tray_program(const std::wstring& program_folder, const tray_names& names);
std::wstring html_library(const std::wstring& program_folder);
// The tray's data folder below an application-data folder (shared or the user's).
std::wstring tray_data_folder(const std::wstring& app_data, const tray_names& names);

// What names the tray's files in SharedDLLs and its registry key: brand + "\" + tray.
std::wstring tray_marker(const tray_names& names);

}  // namespace korve::suite
