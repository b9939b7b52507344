#include "quill/log/real_mutex.h"

#include "quill/exception.h"
#include "quill/system_version.h"

namespace quill {

std::string real_mutex::system_name_for(const std::string& name, unsigned long major_version) {
    if (major_version > 4) {
        return name.find('\\') == std::string::npos ? "Global\\" + name : name;
    }
    // Systems before Windows 2000 have no kernel object namespaces.
    const std::size_t last = name.rfind('\\');
    return last == std::string::npos ? name : name.substr(last + 1);
}

real_mutex::real_mutex(const std::string& name)
    : system_name_(system_name_for(name, current_system_version().major)) {
    SECURITY_DESCRIPTOR descriptor{};
    ::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    ::SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), &descriptor, FALSE};

    handle_.reset(::CreateMutexA(&attributes, FALSE, system_name_.c_str()));
    if (!handle_) {
        // Waiting needs SYNCHRONIZE besides the right to release.
        handle_.reset(::OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, system_name_.c_str()));
    }
    if (!handle_)
        throw exception("OpenMutex returned 0x%08x", static_cast<unsigned>(::GetLastError()));
}

void real_mutex::acquire() {
    const DWORD result = ::WaitForSingleObject(handle_.get(), INFINITE);
    if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) return;
    throw exception("WaitForSingleObject returned 0x%08x", static_cast<unsigned>(::GetLastError()));
}

void real_mutex::release() {
    if (!::ReleaseMutex(handle_.get())) {
        throw exception("ReleaseMutex returned 0x%08x", static_cast<unsigned>(::GetLastError()));
    }
}

}  // namespace quill
