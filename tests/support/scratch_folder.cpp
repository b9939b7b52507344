#include "tests/support/scratch_folder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "quill/handle.h"
#include "quill/unicode/conversion.h"

namespace korve::test {

std::wstring wide_path(const std::string& ansi_path) {
    return quill::unicode::to_wide(ansi_path, quill::unicode::ansi_codepage);
}

std::string ansi_path(const std::wstring& path) {
    return quill::unicode::to_narrow(path, quill::unicode::ansi_codepage);
}

std::string printable(const std::wstring& path) {
    return quill::unicode::to_narrow(path, quill::unicode::utf8_codepage, false);
}

void make_folder(const std::wstring& path) {
    for (std::size_t at = path.find(L'\\', 3); at != std::wstring::npos;
         at = path.find(L'\\', at + 1)) {
        ::CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
    }
    if (!::CreateDirectoryW(path.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
        ADD_FAILURE() << "cannot create folder " << printable(path) << " error "
                      << ::GetLastError();
    }
}

void make_folder(const std::string& path) {
    make_folder(wide_path(path));
}

void write_file(const std::wstring& path, const std::string& bytes) {
    quill::unique_file file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file.valid()) << "cannot create " << printable(path) << " error "
                              << ::GetLastError();
    DWORD written = 0;
    ASSERT_TRUE(
        ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
}

void write_file(const std::string& path, const std::string& bytes) {
    write_file(wide_path(path), bytes);
}

bool path_exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool path_exists(const std::string& path) {
    return path_exists(wide_path(path));
}

// Wide, so that leftovers with names the ANSI code page lacks go too.
void remove_recursively(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        ::DeleteFileW(path.c_str());
        return;
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        WIN32_FIND_DATAW entry{};
        quill::unique_find find(::FindFirstFileW((path + L"\\*").c_str(), &entry));
        if (find) {
            do {
                const std::wstring name = entry.cFileName;
                if (name != L"." && name != L"..") remove_recursively(path + L"\\" + name);
            } while (::FindNextFileW(find.get(), &entry));
        }
    }
    ::RemoveDirectoryW(path.c_str());
}

void remove_recursively(const std::string& path) {
    remove_recursively(wide_path(path));
}

void fill_product_folder(const std::string& product) {
    make_folder(product + "\\bin\\plugins");
    make_folder(product + "\\Help\\.cache");
    write_file(product + "\\Velocore.exe", "MZ");
    write_file(product + "\\Velocore.lnk", "L");
    write_file(product + "\\bin\\core.dll", "MZ");
    write_file(product + "\\bin\\plugins\\plugin.dat", "x");
    write_file(product + "\\hidden.ini", "[x]");
    EXPECT_TRUE(::SetFileAttributesA((product + "\\hidden.ini").c_str(), FILE_ATTRIBUTE_HIDDEN));
    write_file(product + "\\Help\\Manual.lnk", "L");
    write_file(product + "\\Help\\.cache\\index", "i");
    EXPECT_TRUE(
        ::SetFileAttributesA((product + "\\Help\\Manual.lnk").c_str(), FILE_ATTRIBUTE_READONLY));
}

scratch_folder::scratch_folder(const std::string& name, folder_use use)
    : path_("C:\\korve-tests\\" + name) {
    remove_recursively(path_);
    make_folder(path_);
    if (use == folder_use::current_directory) {
        char previous[MAX_PATH] = {};
        ::GetCurrentDirectoryA(MAX_PATH, previous);
        previous_directory_ = previous;
        EXPECT_TRUE(::SetCurrentDirectoryA(path_.c_str())) << path_;
    }
}

scratch_folder::~scratch_folder() {
    if (!previous_directory_.empty()) ::SetCurrentDirectoryA(previous_directory_.c_str());
    remove_recursively(path_);
}

}  // namespace korve::test
