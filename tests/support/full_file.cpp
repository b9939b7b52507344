#include "tests/support/full_file.h"

#include <windows.h>

#include "quill/handle.h"

namespace korve::test {
namespace {

// ext4 with 4 KiB blocks: 16 TiB less one block.
constexpr long long kExt4Limit = (1LL << 44) - 4096;

bool set_size(HANDLE file, long long size) {
    LARGE_INTEGER at{};
    at.QuadPart = size;
    return ::SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && ::SetEndOfFile(file);
}

}  // namespace

bool fill_to_the_limit(const std::string& path, unsigned room) {
    const quill::unique_file file(
        ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, 0, nullptr));
    // One byte short of the limit, two bytes go in as one.
    if (!file || !set_size(file.get(), kExt4Limit - 1)) return false;
    DWORD written = 0;
    if (!::WriteFile(file.get(), "xx", 2, &written, nullptr) || written != 1) return false;
    return set_size(file.get(), kExt4Limit - room);
}

unsigned long long file_size(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return static_cast<unsigned long long>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

}  // namespace korve::test
