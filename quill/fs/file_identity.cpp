#include "quill/fs/file_identity.h"

namespace quill::fs {

bool identity_of(HANDLE file, file_identity& out) noexcept {
    BY_HANDLE_FILE_INFORMATION information{};
    if (!::GetFileInformationByHandle(file, &information)) return false;
    out.volume_serial = information.dwVolumeSerialNumber;
    out.file_id = static_cast<unsigned long long>(information.nFileIndexHigh) << 32 |
                  information.nFileIndexLow;
    return true;
}

}  // namespace quill::fs
