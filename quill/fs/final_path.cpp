#include "quill/fs/final_path.h"

#include <vector>

namespace quill::fs {

bool final_path(HANDLE handle, std::wstring& path) {
    // MAX_PATH first; a longer path says how much it needs, and may grow once more meanwhile.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (int attempt = 0; attempt < 3; ++attempt) {
        const DWORD length =
            ::GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                        FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0) return false;
        if (length < buffer.size()) {
            path.assign(buffer.data(), length);
            return true;
        }
        buffer.resize(length + 1);
    }
    ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
}

}  // namespace quill::fs
