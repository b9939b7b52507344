#include "suite/tray_paths.h"

#include "quill/unicode/conversion.h"

namespace korve::suite {

std::wstring WidenPath(const std::string& ansi_path) {
    return quill::unicode::to_wide(ansi_path, quill::unicode::ansi_codepage);
}

std::string NarrowPath(const std::wstring& path) {
    return quill::unicode::to_narrow(path, quill::unicode::ansi_codepage, true);
}

std::wstring ConfigurationFolder(const std::wstring& common_app_data, const TrayNames& names) {
    return common_app_data + L"\\" + names.brand + L"\\" + names.tray + L"\\Configurations";
}

std::wstring OwnConfigurationFile(const std::wstring& ConfigurationFolder, const TrayNames& names) {
    return ConfigurationFolder + L"\\" + names.product_code + L".xml";
}

std::wstring TrayProgramFolder(const std::wstring& program_files_x86, const TrayNames& names) {
    return program_files_x86 + names.brand + L"\\" + names.tray + L"\\";
}

std::wstring UpdateIcon(const std::wstring& program_folder, const TrayNames& names) {
    return program_folder + L"HTML\\gfx\\Icon_PMTRAY-UPD-" + names.product_code + L".png";
}

std::wstring TrayProgram(const std::wstring& program_folder, const TrayNames& names) {
    return program_folder + names.program;
}

std::wstring HtmlLibrary(const std::wstring& program_folder) {
    return program_folder + L"qvhtml.dll";
}

std::wstring TrayDataFolder(const std::wstring& app_data, const TrayNames& names) {
    return app_data + TrayMarker(names);
}

std::wstring TrayMarker(const TrayNames& names) {
    return names.brand + L"\\" + names.tray;
}

}  // namespace korve::suite
