#pragma once

// An executable of one architecture cannot remove an install of the other: the product's keys
// and folders, and the installer data it would clean, lie in the other registry view. Before
// anything is stopped or deleted, the product's registration (its key
// "Software\Kestrana\KORVE" or its uninstall entry "Velocore", in HKEY_LOCAL_MACHINE) is looked
// for in this build's view and in the other one.
//
// True when it is registered in the other view only: the line naming the executable to use has
// then been written to the main channel and shown in a box, and the run must remove nothing.
// False when it is registered in this build's view, in both, or in neither (a broken install),
// and always on 32-bit Windows, which has one view and is not asked. A key that cannot be opened
// for another reason than its absence, or a registry link there, counts as a registration.
namespace korve::driver {

bool StopsForOtherArchitectureInstall();

}  // namespace korve::driver
