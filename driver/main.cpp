#include "driver/dll_search.h"
#include "driver/entry.h"

int main() {
    // Before anything else loads a library by name.
    korve::driver::RestrictDllSearchToSystemFolder();
    return korve::driver::RunKORVERemover();
}
