#include "cleanup/process.h"

#include <windows.h>

#include <tlhelp32.h>

#include <cctype>
#include <set>

#include "cleanup/privilege_holder.h"
#include "quill/handle.h"
#include "quill/unicode/conversion.h"

namespace korve::cleanup {
namespace {

constexpr UINT kTerminatedExitCode = 255;

std::string lower_case(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Calls `visit` for every entry of a fresh process snapshot until it returns false.
template <typename Visit>
void walk_processes(Visit visit) {
    quill::unique_file snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32First(snapshot.get(), &entry); more;
         more = ::Process32Next(snapshot.get(), &entry)) {
        if (!visit(entry)) return;
    }
}

// Whether the image of the opened process still ends with `wanted`, compared without case.
bool image_matches(HANDLE process, const std::string& wanted) {
    wchar_t image[MAX_PATH * 4];
    DWORD length = MAX_PATH * 4;
    if (!::QueryFullProcessImageNameW(process, 0, image, &length)) return false;
    const std::wstring name = quill::unicode::to_wide(wanted, quill::unicode::ansi_codepage);
    if (name.empty() || name.size() > length) return false;
    return ::CompareStringOrdinal(image + (length - name.size()), static_cast<int>(name.size()),
                                  name.c_str(), static_cast<int>(name.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

bool terminate_if_named(unsigned long process_id, const std::string& executable_name) {
    quill::unique_handle handle(
        ::OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id));
    if (!handle) return false;
    // Between the snapshot and the opening the matched process may have ended and left its id
    // to an unrelated one; the handle tells which process it really is.
    if (image_matches(handle.get(), executable_name)) {
        ::TerminateProcess(handle.get(), kTerminatedExitCode);
    }
    return true;
}

std::string shorten_name_for_system(const std::string& name, const quill::system_version& system) {
    if (!quill::is_windows_2000(system) || name.size() < 16) return name;
    return name.substr(0, 15);
}

std::string shorten_product_name_for_system(const std::string& name,
                                            const quill::system_version& system) {
    if (!quill::is_windows_2000(system) || name.size() <= 14) return name;
    return name.substr(0, name[14] == '.' ? 14 : 15);
}

bool name_matches(const std::string& executable, const std::string& wanted) {
    if (wanted.size() > executable.size()) return false;
    return lower_case(executable.substr(executable.size() - wanted.size())) == lower_case(wanted);
}

process::process(const std::string& executable_name)
    : name_(shorten_name_for_system(executable_name, quill::current_system_version())) {}

bool process::is_running() const {
    bool found = false;
    walk_processes([&](const PROCESSENTRY32& entry) {
        found = name_matches(entry.szExeFile, name_);
        return !found;
    });
    return found;
}

void process::terminate_all(bool use_debug_privilege) const {
    const DWORD self = ::GetCurrentProcessId();
    DWORD parent = 0;
    bool parent_known = false;
    std::set<DWORD> matching;
    walk_processes([&](const PROCESSENTRY32& entry) {
        if (entry.th32ProcessID == self) {
            parent = entry.th32ParentProcessID;
            parent_known = true;
        } else if (name_matches(entry.szExeFile, name_)) {
            matching.insert(entry.th32ProcessID);
        }
        return true;
    });

    for (const DWORD process_id : matching) {
        // The remover may have been started by the product itself; ending that parent would
        // end whoever waits for the remover's outcome.
        if (parent_known && process_id == parent) continue;
        if (terminate_if_named(process_id, name_) || !use_debug_privilege) continue;
        const privilege_holder debug("SeDebugPrivilege");
        terminate_if_named(process_id, name_);
    }
}

}  // namespace korve::cleanup
