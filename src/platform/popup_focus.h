#pragma once

class QWidget;

// What a popup menu opened from the notification area needs to take the keyboard.
namespace tavro {

// Called right after `popup` is shown. On Windows a menu only gets the keys (and closes on a
// click elsewhere) while its program is the foreground program, which the click on the tray
// icon allows it to become; on X11 Qt's popup grabs the keyboard itself.
void takeKeyboardForPopup(QWidget* popup);

}  // namespace tavro
