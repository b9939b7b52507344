#include "installer/variant_switches.h"

bool& NativeSwitch() {
    static bool on = false;
    return on;
}

bool& Wow64Switch() {
    static bool on = false;
    return on;
}
