#include "tests/support/scratch_folder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "quill/handle.h"

namespace korve::test {

void make_folder(const std::string& path) {
    for (std::size_t at = path.find('\\', 3); at != std::string::npos;
         at = path.find('\\', at + 1)) {
        ::CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    }
    if (!::CreateDirectoryA(path.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
        ADD_FAILURE() << "cannot create folder " << path << " error " << ::GetLastError();
    }
}

void write_file(const std::string& path, const std::string& bytes) {
    quill::unique_file file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file.valid()) << "cannot create " << path << " error " << ::GetLastError();
    DWORD written = 0;
    ASSERT_TRUE(
        ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
}

std::string read_file(const std::string& path) {
    quill::unique_file file(::CreateFileA(path.c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::string();
    std::string content;
    char buffer[65536];
    DWORD read = 0;
    while (::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        content.append(buffer, read);
    }
    return content;
}

bool path_exists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void remove_recursively(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        ::DeleteFileA(path.c_str());
        return;
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        WIN32_FIND_DATAA entry{};
        quill::unique_find find(::FindFirstFileA((path + "\\*").c_str(), &entry));
        if (find) {
            do {
                const std::string name = entry.cFileName;
                if (name != "." && name != "..") remove_recursively(path + "\\" + name);
            } while (::FindNextFileA(find.get(), &entry));
        }
    }
    ::RemoveDirectoryA(path.c_str());
}

scratch_folder::scratch_folder(const std::string& name) : path_("C:\\korve-tests\\" + name) {
    remove_recursively(path_);
    make_folder(path_);
}

scratch_folder::~scratch_folder() {
    remove_recursively(path_);
}

}  // namespace korve::test
