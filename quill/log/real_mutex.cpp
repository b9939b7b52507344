#include "quill/log/real_mutex.h"

#include <aclapi.h>
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
// With a null list any user could take the lock at will, or hold it for ever. Owned by the
// Administrators group, so that another listener of an elevated run knows it for its own,
// whatever the machine's default owner of administrators' objects is.
constexpr const wchar_t* kAdministratorsOnly = L"O:BAD:P(A;;GA;;;SY)(A;;GA;;;BA)";
// The same for a token that may not name the Administrators group as owner.
constexpr const wchar_t* kAdministratorsOnlyDefaultOwner = L"D:P(A;;GA;;;SY)(A;;GA;;;BA)";

std::unique_ptr<void, local_free> descriptor_of(const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR converted = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &converted,
                                                                nullptr)) {
        throw exception("OpenMutex returned 0x%08x", static_cast<unsigned>(::GetLastError()));
    }
    return std::unique_ptr<void, local_free>(converted);
}

// The mutex, created or (when it exists and admits us) opened; `error` is the creation's last
// error, ERROR_ALREADY_EXISTS for an opened one.
HANDLE create_mutex(const wchar_t* sddl, const std::string& name, DWORD& error) {
    const std::unique_ptr<void, local_free> descriptor = descriptor_of(sddl);
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor.get(), FALSE};
    const HANDLE mutex = ::CreateMutexA(&attributes, FALSE, name.c_str());
    error = ::GetLastError();
    return mutex;
}

// Whether a mutex that existed before may serve as the lock of an elevated run: its owner is
// SYSTEM or the Administrators group, or the system does not say (no owner, or no right to
// read it). An ordinary user's mutex could be held to make every line wait.
bool owned_by_administrators(HANDLE mutex) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR read = nullptr;
    if (::GetSecurityInfo(mutex, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                          nullptr, nullptr, &read) != ERROR_SUCCESS) {
        return true;
    }
    const std::unique_ptr<void, local_free> descriptor(read);
    return owner == nullptr || ::IsWellKnownSid(owner, WinLocalSystemSid) ||
           ::IsWellKnownSid(owner, WinBuiltinAdministratorsSid);
}

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
    DWORD error = 0;
    handle_.reset(create_mutex(kAdministratorsOnly, system_name_, error));
    if (!handle_ && error == ERROR_INVALID_OWNER) {
        handle_.reset(create_mutex(kAdministratorsOnlyDefaultOwner, system_name_, error));
    }
    bool existed = handle_ && error == ERROR_ALREADY_EXISTS;
    if (!handle_) {
        // A mutex that exists already keeps its own access list. Waiting needs SYNCHRONIZE
        // besides the right to release; its owner is checked where it may be read.
        existed = true;
        handle_.reset(::OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE | READ_CONTROL, FALSE,
                                   system_name_.c_str()));
        if (!handle_) {
            handle_.reset(
                ::OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, system_name_.c_str()));
        }
    }
    if (!handle_)
        throw exception("OpenMutex returned 0x%08x", static_cast<unsigned>(::GetLastError()));
    if (existed && !owned_by_administrators(handle_.get())) {
        handle_.reset();
        throw exception("OpenMutex returned 0x%08x", static_cast<unsigned>(ERROR_INVALID_OWNER));
    }
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
