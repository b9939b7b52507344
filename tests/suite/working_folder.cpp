#include "tests/suite/working_folder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "tests/support/text_file.h"

namespace korve::test {
namespace {

std::string current_directory() {
    char path[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, path);
    return path;
}

}  // namespace

working_folder::working_folder(const std::string& name)
    : previous_(current_directory()), folder_(name) {
    EXPECT_TRUE(::SetCurrentDirectoryA(folder_.path().c_str())) << folder_.path();
}

working_folder::~working_folder() {
    ::SetCurrentDirectoryA(previous_.c_str());
}

std::vector<std::string> working_folder::log_texts() const {
    std::string content = read_file(folder_ / "KORVERemover.log.txt");
    if (content.compare(0, 3, "\xEF\xBB\xBF") == 0) content.erase(0, 3);
    std::vector<std::string> texts;
    for (const std::string& line : split_crlf_lines(content)) texts.push_back(without_prefix(line));
    return texts;
}

}  // namespace korve::test
