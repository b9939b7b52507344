#include "tests/support/saved_key.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "quill/handle.h"
#include "tests/support/scratch_key.h"

namespace korve::test {

struct saved_key::tree {
    struct value {
        DWORD type;
        std::vector<BYTE> data;
    };
    std::map<std::wstring, value> values;
    std::map<std::wstring, tree> children;
};

namespace {

void read_tree(HKEY key, saved_key::tree& into) {
    wchar_t name[16384];
    for (DWORD index = 0;; ++index) {
        DWORD name_length = 16384;
        DWORD type = 0;
        DWORD size = 0;
        if (::RegEnumValueW(key, index, name, &name_length, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS) {
            break;
        }
        saved_key::tree::value value{type, std::vector<BYTE>(size)};
        const std::wstring value_name(name, name_length);
        DWORD read = size;
        ::RegQueryValueExW(key, value_name.c_str(), nullptr, nullptr, value.data.data(), &read);
        into.values[value_name] = value;
    }
    for (DWORD index = 0;; ++index) {
        DWORD name_length = 16384;
        if (::RegEnumKeyExW(key, index, name, &name_length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        const std::wstring child_name(name, name_length);
        quill::unique_hkey child;
        if (::RegOpenKeyExW(key, child_name.c_str(), 0, KEY_READ, child.put()) == ERROR_SUCCESS) {
            read_tree(child.get(), into.children[child_name]);
        }
    }
}

void write_tree(HKEY parent, const std::wstring& path, const saved_key::tree& from) {
    quill::unique_hkey key;
    if (::RegCreateKeyExW(parent, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                          nullptr) != ERROR_SUCCESS) {
        ADD_FAILURE() << "cannot restore a saved key";
        return;
    }
    for (const auto& [name, value] : from.values) {
        ::RegSetValueExW(key.get(), name.c_str(), 0, value.type, value.data.data(),
                         static_cast<DWORD>(value.data.size()));
    }
    for (const auto& [name, child] : from.children) write_tree(key.get(), name, child);
}

}  // namespace

saved_key::saved_key(HKEY root, std::wstring path, mode how) : root_(root), path_(std::move(path)) {
    quill::unique_hkey key;
    if (::RegOpenKeyExW(root_, path_.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS) {
        saved_ = std::make_unique<tree>();
        read_tree(key.get(), *saved_);
    }
    key.reset();
    if (how == clear) delete_tree_if_present(root_, path_);
}

saved_key::~saved_key() {
    delete_tree_if_present(root_, path_);
    if (saved_) write_tree(root_, path_, *saved_);
}

void make_key(HKEY root, const std::wstring& path) {
    quill::unique_hkey key;
    EXPECT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                               nullptr, key.put(), nullptr));
}

void set_string_value(HKEY root, const std::wstring& path, const std::wstring& name,
                      const std::wstring& value) {
    make_key(root, path);
    EXPECT_EQ(ERROR_SUCCESS,
              ::RegSetKeyValueW(root, path.c_str(), name.c_str(), REG_SZ, value.c_str(),
                                static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))));
}

bool key_exists(HKEY root, const std::wstring& path) {
    quill::unique_hkey key;
    return ::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

}  // namespace korve::test
