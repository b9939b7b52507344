#pragma once

#include "installer/installer_cleanup.h"

// Removes the product from the Windows Installer database in the registry: its upgrade code,
// the products registered under it, the components only they used and the SharedDLLs values
// of those components' key files. `record` must be empty; it is filled on the way and stays
// the caller's. The entry runs one of the two variants, with its switch set.

// Native variant, through quill::registry2; lines go to the installer channel. Throws the
// registry2 error of opening or listing a hive, and any error other than a registry2 one
// (for instance a text that cannot be formatted); all other registry errors are caught.
void CleanInstallerDatabase(InstallerCleanup& record);

// WOW64 variant: the program-wide table of looked-up registry functions, the 64-bit view
// named in every call; lines go to the WOW64 installer channel. Throws nothing of its own.
// Releases the table at its end, so it runs once per process.
void CleanInstallerDatabaseWow64(InstallerCleanup& record);
