#include "platform/console.h"

namespace tavro {

// A Linux program's standard output and error are the terminal's already.
void useParentConsole() {}

}  // namespace tavro
