#include "platform/popup_focus.h"

namespace tavro {

// Qt's popup grabs the keyboard and the pointer on X11 by itself.
void takeKeyboardForPopup(QWidget*) {}

}  // namespace tavro
