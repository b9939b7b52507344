#include "channels/program_channels.h"
#include "installer/clean_installer_database.h"
#include "installer/cleaning_log.h"
#include "installer/native_phases.h"
#include "installer/native_store_locator.h"
#include "installer/packed_guid.h"

void native::RemoveFromStores(InstallerCleanup& record) {
    quill::log::channel& log = InstallerChannel();
    WriteSectionHeading(log, "Upgrade Codes Removed", kSeparatorLine);
    for (const InstallerStore& root : record.stores.roots) RemoveUpgradeCodes(root, record);

    WriteSectionHeading(log, "Product Codes Removed", kShortSeparatorLine);
    for (const InstallerStore& location : record.stores.locations) {
        RemoveProducts(location, record);
    }

    WriteSectionHeading(log, "Component Codes Removed", kShortSeparatorLine);
    for (const InstallerStore& location : record.stores.locations) {
        RemoveComponents(location, record);
    }

    WriteSectionHeading(log, "Key Files Removed", kShortSeparatorLine);
    for (const InstallerStore& root : record.stores.roots) {
        RemoveKeyFiles({root.number, root.path + L"\\SharedDLLs", root.owner, root.hive}, record);
    }
}

void CleanInstallerDatabase(InstallerCleanup& record) {
    InstallerChannel().write(quill::log::level_note, "**** Cleaning Installation Database ****");
    record.upgrade_codes.insert(PackGuid(kProductUpgradeCode));
    native::LocateInstallerStores(record.stores);
    native::RemoveFromStores(record);
}
