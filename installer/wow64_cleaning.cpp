#include "channels/program_channels.h"
#include "installer/clean_installer_database.h"
#include "installer/cleaning_log.h"
#include "installer/packed_guid.h"
#include "installer/wow64_phases.h"
#include "installer/wow64_store_locator.h"

namespace wow64 {
namespace {

// Releases the table when the variant ends, also when a log line fails.
class TableRelease {
  public:
    explicit TableRelease(Wow64RegistryFunctions& api) : api_(api) {}
    ~TableRelease() { api_.release(); }
    TableRelease(const TableRelease&) = delete;
    TableRelease& operator=(const TableRelease&) = delete;

  private:
    Wow64RegistryFunctions& api_;
};

}  // namespace

void CleanInstallerDatabase(Wow64RegistryFunctions& api, InstallerCleanup& record) {
    const TableRelease release(api);
    quill::log::channel& log = Wow64InstallerChannel();
    log.write(quill::log::level_note, "**** Cleaning Installation Database ****");
    if (!api.complete()) {
        log.write(quill::log::level_note,
                  "Error in GetProcAddress of function for work with registry");
        log.write(quill::log::level_note, kSeparatorLine);
        log.write(quill::log::level_note, "");
        return;
    }
    record.upgrade_codes.insert(PackGuid(kProductUpgradeCode));
    LocateInstallerStores(api, record.stores);
    RemoveFromStores(api, record);
}

void RemoveFromStores(const Wow64RegistryFunctions& api, InstallerCleanup& record) {
    quill::log::channel& log = Wow64InstallerChannel();
    WriteSectionHeading(log, "Upgrade Codes Removed", kSeparatorLine);
    for (const InstallerStore& root : record.stores.roots) RemoveUpgradeCodes(api, root, record);

    WriteSectionHeading(log, "Product Codes Removed", kShortSeparatorLine);
    for (const InstallerStore& location : record.stores.locations) {
        RemoveProducts(api, location, record);
    }

    WriteSectionHeading(log, "Component Codes Removed", kShortSeparatorLine);
    for (const InstallerStore& location : record.stores.locations) {
        RemoveComponents(api, location, record);
    }

    WriteSectionHeading(log, "Key Files Removed", kShortSeparatorLine);
    for (const InstallerStore& root : record.stores.roots) {
        RemoveKeyFiles(api, {root.number, root.path + L"\\SharedDLLs", root.owner, root.hive},
                       record);
    }
}

}  // namespace wow64

void CleanInstallerDatabaseWow64(InstallerCleanup& record) {
    wow64::CleanInstallerDatabase(ProgramWow64RegistryFunctions(), record);
}
