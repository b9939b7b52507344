#include "quill/fs/trusted_root.h"

#include "quill/fs/normal_path.h"
#include "quill/fs/protected_folders.h"

namespace quill::fs {

std::vector<std::wstring> system_roots() {
    std::vector<std::wstring> roots;
    for (const std::wstring& folder : administrator_folders()) {
        std::wstring normal = normal_path(folder);
        if (!normal.empty()) roots.push_back(std::move(normal));
    }
    return roots;
}

std::wstring trusted_root_of(const std::wstring& path) {
    const std::wstring normal = normal_path(path);
    if (normal.size() < 3 || normal[1] != L':' || normal[2] != L'\\') return std::wstring();
    std::wstring deepest = normal.substr(0, 3);
    for (const std::wstring& root : system_roots()) {
        // Only a folder strictly above the path: the path itself is never its own root.
        if (root.size() > deepest.size() && root.size() < normal.size() &&
            is_or_holds(root, normal)) {
            deepest = root;
        }
    }
    return deepest;
}

}  // namespace quill::fs
