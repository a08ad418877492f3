#pragma once

#include <QIcon>
#include <QObject>
#include <QString>
#include <memory>

class QMenu;

// The program's icon in the desktop's notification area. It follows the desktop: the icon
// shows as soon as a notification area exists (panels often start after the session's
// programs), shows again after one restarts, and tells when one comes or goes.
namespace tavro {

class TrayIcon : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;

    // Puts the icon in every notification area that exists now or appears later.
    virtual void show() = 0;
    // Takes the icon away for good.
    virtual void hide() = 0;
    // Whether a notification area shows the icon now (or docks it as soon as it is shown). A
    // tray that is still taking the icon in counts until it has had its short time to answer;
    // one that refuses or gives no answer does not, and the change is signalled.
    virtual bool isAvailable() const = 0;

  signals:
    // The left button on the icon (or the tray's own "activate"): show the main window.
    void leftButtonDown();
    // The right button on the icon: open the tray menu at the pointer.
    void rightButtonDown();
    void availabilityChanged(bool available);
};

// What the icon shows: its picture, its tip, and the tray menu, which trays that draw the
// menu themselves read (the program still opens it itself on rightButtonDown).
struct TrayIconLook {
    QIcon icon;
    QString toolTip;
    QMenu* menu = nullptr;
};

// The icon this platform uses, following the desktop's notification areas.
std::unique_ptr<TrayIcon> createTrayIcon(const TrayIconLook& look);

// Qt's tray icon alone, taking the notification area as there (or not) for the whole run.
// Where Qt follows the notification area itself (Windows re-adds its icon when the task bar
// restarts), that is all it takes; tests use it to fix the answer.
std::unique_ptr<TrayIcon> createQtTrayIcon(const TrayIconLook& look, bool available);

}  // namespace tavro
