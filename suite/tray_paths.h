#pragma once

#include <string>

namespace korve::suite {

// The names a suite product's share of the tray is known by.
struct TrayNames {
    std::wstring brand;         // brand folder, also the registry key below Software
    std::wstring tray;          // tray folder below the brand folder
    std::wstring product_code;  // the product's configuration file and update icon
    std::wstring program;       // the tray program's file name
};

// Wide text of an ANSI path (a system folder as the known-folder getter gives it), converted
// from the ANSI code page, so that non-ASCII letters keep their meaning.
// Throws quill::unicode errors for bytes the code page does not define.
std::wstring WidenPath(const std::string& ansi_path);
// The ANSI form of a wide path for the narrow file and log calls. Throws
// quill::unicode::unmappable_character for a character the code page lacks.
std::string NarrowPath(const std::wstring& path);

// Paths built from system folders that end in a backslash. The configuration folder keeps the
// doubled separator after the common application-data folder; the file system ignores it.
std::wstring ConfigurationFolder(const std::wstring& common_app_data, const TrayNames& names);
std::wstring OwnConfigurationFile(const std::wstring& ConfigurationFolder, const TrayNames& names);
// Ends in a backslash.
std::wstring TrayProgramFolder(const std::wstring& program_files_x86, const TrayNames& names);
std::wstring UpdateIcon(const std::wstring& program_folder, const TrayNames& names);
std::wstring TrayProgram(const std::wstring& program_folder, const TrayNames& names);
std::wstring HtmlLibrary(const std::wstring& program_folder);
// The tray's data folder below an application-data folder (shared or the user's).
std::wstring TrayDataFolder(const std::wstring& app_data, const TrayNames& names);

// What names the tray's files in SharedDLLs and its registry key: brand + "\" + tray.
std::wstring TrayMarker(const TrayNames& names);

}  // namespace korve::suite
