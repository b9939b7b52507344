#include "tests/support/scratch_key.h"

#include <gtest/gtest.h>

#include <vector>

namespace korve::test {

LONG delete_tree_if_present(HKEY root, const std::wstring& path, REGSAM view) {
    HKEY key = nullptr;
    LONG result = ::RegOpenKeyExW(root, path.c_str(), 0, KEY_ALL_ACCESS | view, &key);
    if (result == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (result != ERROR_SUCCESS) return result;
    quill::unique_hkey owned(key);
    result = ::RegDeleteTreeW(owned.get(), nullptr);
    owned.reset();
    if (result != ERROR_SUCCESS) return result;
    return ::RegDeleteKeyExW(root, path.c_str(), view, 0);
}

scratch_key::scratch_key(const std::wstring& name, HKEY root)
    : root_(root), path_(L"Software\\KORVETests\\" + name) {
    delete_tree_if_present(root_, path_);
    const LONG result = ::RegCreateKeyExW(root_, path_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                          KEY_ALL_ACCESS, nullptr, handle_.put(), nullptr);
    if (result != ERROR_SUCCESS) ADD_FAILURE() << "cannot create scratch key, error " << result;
}

scratch_key::~scratch_key() {
    handle_.reset();
    delete_tree_if_present(root_, path_);
}

void scratch_key::create(const std::wstring& sub_path) {
    quill::unique_hkey key;
    const LONG result =
        ::RegCreateKeyExW(handle_.get(), sub_path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
    EXPECT_EQ(ERROR_SUCCESS, result) << "creating scratch sub-key";
}

void scratch_key::set_raw(const std::wstring& sub_path, const std::wstring& name, DWORD type,
                          const void* data, DWORD size) {
    const LONG result =
        ::RegSetKeyValueW(handle_.get(), sub_path.empty() ? nullptr : sub_path.c_str(),
                          name.c_str(), type, data, size);
    EXPECT_EQ(ERROR_SUCCESS, result) << "setting scratch value";
}

void scratch_key::set_string(const std::wstring& sub_path, const std::wstring& name,
                             const std::wstring& value, DWORD type) {
    set_raw(sub_path, name, type, value.c_str(), static_cast<DWORD>((value.size() + 1) * 2));
}

void scratch_key::set_dword(const std::wstring& sub_path, const std::wstring& name, DWORD value) {
    set_raw(sub_path, name, REG_DWORD, &value, sizeof(value));
}

bool scratch_key::exists(const std::wstring& sub_path) const {
    quill::unique_hkey key;
    return ::RegOpenKeyExW(handle_.get(), sub_path.c_str(), 0, KEY_READ, key.put()) ==
           ERROR_SUCCESS;
}

bool scratch_key::value_exists(const std::wstring& sub_path, const std::wstring& name) const {
    return ::RegGetValueW(handle_.get(), sub_path.empty() ? nullptr : sub_path.c_str(),
                          name.c_str(), RRF_RT_ANY | RRF_NOEXPAND, nullptr, nullptr,
                          nullptr) == ERROR_SUCCESS;
}

}  // namespace korve::test
