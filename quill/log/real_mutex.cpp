#include "quill/log/real_mutex.h"

#include <sddl.h>

#include <memory>

#include "quill/exception.h"
#include "quill/system_version.h"

namespace quill {
namespace {

struct local_free {
    void operator()(void* memory) const noexcept { ::LocalFree(memory); }
};

// Protected access list: full access for SYSTEM and the Administrators group, nobody else.
// With a null list any user could take the lock at will, or hold it for ever.
constexpr const wchar_t* kAdministratorsOnly = L"D:P(A;;GA;;;SY)(A;;GA;;;BA)";

}  // namespace

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
    PSECURITY_DESCRIPTOR converted = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(
            kAdministratorsOnly, SDDL_REVISION_1, &converted, nullptr)) {
        throw exception("OpenMutex returned 0x%08x", static_cast<unsigned>(::GetLastError()));
    }
    const std::unique_ptr<void, local_free> descriptor(converted);
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor.get(), FALSE};

    // A mutex that exists already keeps its own access list; the bounded waits are what keeps
    // its owner from stopping the run.
    handle_.reset(::CreateMutexA(&attributes, FALSE, system_name_.c_str()));
    if (!handle_) {
        // Waiting needs SYNCHRONIZE besides the right to release.
        handle_.reset(::OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, system_name_.c_str()));
    }
    if (!handle_)
        throw exception("OpenMutex returned 0x%08x", static_cast<unsigned>(::GetLastError()));
}

bool real_mutex::try_acquire(unsigned long timeout_ms) {
    const DWORD result = ::WaitForSingleObject(handle_.get(), timeout_ms);
    if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) return true;
    if (result == WAIT_TIMEOUT) return false;
    throw exception("WaitForSingleObject returned 0x%08x", static_cast<unsigned>(::GetLastError()));
}

void real_mutex::acquire() {
    if (!try_acquire(wait_limit_ms)) {
        throw exception("WaitForSingleObject returned 0x%08x", static_cast<unsigned>(WAIT_TIMEOUT));
    }
}

void real_mutex::release() {
    if (!::ReleaseMutex(handle_.get())) {
        throw exception("ReleaseMutex returned 0x%08x", static_cast<unsigned>(::GetLastError()));
    }
}

}  // namespace quill
