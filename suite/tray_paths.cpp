#include "suite/tray_paths.h"

#include "quill/unicode/conversion.h"

namespace korve::suite {

std::wstring widen_path(const std::string& ansi_path) {
    return quill::unicode::to_wide(ansi_path, quill::unicode::ansi_codepage);
}

std::string narrow_path(const std::wstring& path) {
    return quill::unicode::to_narrow(path, quill::unicode::ansi_codepage, true);
}

std::wstring configuration_folder(const std::wstring& common_app_data, const tray_names& names) {
    return common_app_data + L"\\" + names.brand + L"\\" + names.tray + L"\\Configurations";
}

std::wstring own_configuration_file(const std::wstring& configuration_folder,
                                    const tray_names& names) {
    return configuration_folder + L"\\" + names.product_code + L".xml";
}

std::wstring tray_program_folder(const std::wstring& program_files_x86, const tray_names& names) {
    return program_files_x86 + names.brand + L"\\" + names.tray + L"\\";
}

std::wstring update_icon(const std::wstring& program_folder, const tray_names& names) {
    return program_folder + L"HTML\\gfx\\Icon_PMTRAY-UPD-" + names.product_code + L".png";
}

std::wstring tray_program(const std::wstring& program_folder, const tray_names& names) {
    return program_folder + names.program;
}

std::wstring html_library(const std::wstring& program_folder) {
    return program_folder + L"qvhtml.dll";
}

std::wstring tray_data_folder(const std::wstring& app_data, const tray_names& names) {
    return app_data + tray_marker(names);
}

std::wstring tray_marker(const tray_names& names) {
    return names.brand + L"\\" + names.tray;
}

}  // namespace korve::suite
