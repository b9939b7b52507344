#include "installer/installer_cleanup.h"

const wchar_t* const kProductUpgradeCode = L"{5B2E9C41-7A3D-4F60-9C1E-2D84A7F3B6C5}";
