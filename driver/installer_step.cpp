#include "driver/installer_step.h"

#include <windows.h>

#include <memory>

#include "channels/program_channels.h"
#include "installer/clean_installer_database.h"
#include "quill/log/proxy.h"

namespace korve::driver {
namespace {

using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);

// Forwards a variant's channel to the main channel while it exists; closing the channel
// deletes the proxy, also when the variant fails.
class ForwardedChannel {
  public:
    explicit ForwardedChannel(quill::log::channel& channel) : channel_(channel) {
        channel_.attach(0, std::make_unique<quill::log::proxy>(MainChannel(), ""));
    }
    ~ForwardedChannel() {
        try {
            channel_.close();
        } catch (...) {
            // Deleting a proxy does not fail; nothing could be reported here anyway.
        }
    }
    ForwardedChannel(const ForwardedChannel&) = delete;
    ForwardedChannel& operator=(const ForwardedChannel&) = delete;

  private:
    quill::log::channel& channel_;
};

}  // namespace

bool RunsUnderWow64() {
    const HMODULE kernel = ::GetModuleHandleA("kernel32");
    if (kernel == nullptr) return false;
    const auto is_wow64_process = reinterpret_cast<IsWow64ProcessFunction>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "IsWow64Process")));
    if (is_wow64_process == nullptr) return false;
    BOOL under_wow64 = FALSE;
    is_wow64_process(::GetCurrentProcess(), &under_wow64);
    return under_wow64 != FALSE;
}

korve::installer::VariantPolicy EntryVariantPolicy() {
    using korve::installer::Deletions;
    return RunsUnderWow64() ? korve::installer::Wow64Policy(Deletions::enabled)
                            : korve::installer::NativePolicy(Deletions::enabled);
}

void CleanInstallerDatabaseStep(const korve::installer::VariantPolicy& policy) {
    const ForwardedChannel forwarded(*policy.channel);
    const auto record = std::make_unique<korve::installer::InstallerCleanup>();
    korve::installer::CleanInstallerDatabase(*record, policy);
}

void CleanInstallerDatabaseStep() {
    CleanInstallerDatabaseStep(EntryVariantPolicy());
}

}  // namespace korve::driver
