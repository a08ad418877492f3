#pragma once

// Registers the program's compiled-in resources (the icon). They live in a static library,
// whose automatic registration the linker may drop, so the program calls this once.
void tavroInitResources();
