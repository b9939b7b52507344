#include "installer/clean_installer_database.h"

#include <memory>

#include "channels/program_channels.h"
#include "installer/cleaning_phases.h"
#include "installer/packed_guid.h"
#include "installer/store_locator.h"

namespace korve::installer {
namespace {

// Releases a looked-up table when the cleaning ends, also when a log line fails.
struct TableRelease {
    void operator()(quill::registry2::looked_up_functions* table) const noexcept {
        table->release();
    }
};

}  // namespace

void CleanInstallerDatabase(InstallerCleanup& record, const VariantPolicy& policy) {
    const std::unique_ptr<quill::registry2::looked_up_functions, TableRelease> release(
        policy.looked_up);
    quill::log::channel& log = *policy.channel;
    log.write(quill::log::level_note, "**** Cleaning Installation Database ****");
    if (policy.looked_up != nullptr && !policy.looked_up->complete()) {
        log.write(quill::log::level_note,
                  "Error in GetProcAddress of function for work with registry");
        log.write(quill::log::level_note, kSeparatorLine);
        log.write(quill::log::level_note, "");
        return;
    }
    record.upgrade_codes.insert(PackGuid(kProductUpgradeCode));
    LocateInstallerStores(record.stores, policy);
    RemoveFromStores(record, policy);
}

}  // namespace korve::installer
