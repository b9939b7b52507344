#include "driver/entry.h"

int main() {
    return RunKORVERemover();
}
