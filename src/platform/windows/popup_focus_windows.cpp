#include <windows.h>

#include <QWidget>

#include "platform/popup_focus.h"

namespace tavro {

void takeKeyboardForPopup(QWidget* popup) {
    if (popup != nullptr && popup->isVisible()) {
        SetForegroundWindow(reinterpret_cast<HWND>(popup->winId()));
    }
}

}  // namespace tavro
