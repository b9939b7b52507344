#pragma once

// Program-wide switches of the two cleaning variants, both false at start. The entry sets
// the switch of the variant it runs; each variant deletes registry keys and values only
// while its own switch is set.
bool& NativeSwitch();
bool& Wow64Switch();
