#pragma once

#include "quill/registry2/functions.h"

// The WOW64 cleaning variant's table of looked-up registry functions.
using Wow64RegistryFunctions = quill::registry2::looked_up_functions;

inline Wow64RegistryFunctions& ProgramWow64RegistryFunctions() {
    return quill::registry2::program_looked_up_functions();
}
