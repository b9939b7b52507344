#include "driver/program_channels.h"
#include "installer/clean_installer_database.h"
#include "installer/cleaning_log.h"
#include "installer/native_phases.h"
#include "installer/native_store_locator.h"
#include "installer/packed_guid.h"

void CleanInstallerDatabase(InstallerCleanup& record) {
    quill::log::channel& log = InstallerChannel();
    log.write(quill::log::level_note, "**** Cleaning Installation Database ****");
    record.upgrade_codes.insert(PackGuid(kProductUpgradeCode));
    native::LocateInstallerStores(record.stores);

    WriteSectionHeading(log, "Upgrade Codes Removed", kSeparatorLine);
    for (const InstallerStore& root : record.stores.roots) native::RemoveUpgradeCodes(root, record);

    WriteSectionHeading(log, "Product Codes Removed", kShortSeparatorLine);
    for (const InstallerStore& location : record.stores.locations) {
        native::RemoveProducts(location, record);
    }

    WriteSectionHeading(log, "Component Codes Removed", kShortSeparatorLine);
    for (const InstallerStore& location : record.stores.locations) {
        native::RemoveComponents(location, record);
    }

    WriteSectionHeading(log, "Key Files Removed", kShortSeparatorLine);
    for (const InstallerStore& root : record.stores.roots) {
        native::RemoveKeyFiles({root.number, root.path + L"\\SharedDLLs"}, record);
    }
}
