// Runs the product-closing step as a child of a product executable, for the test that the
// remover never terminates its own parent.
#include "cleanup/close_running_application.h"

int main() {
    korve::cleanup::CloseRunningApplication();
    return 0;
}
