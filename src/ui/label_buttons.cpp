// The label buttons: a face, a text and a focus marker each, tied to a command button that
// lies outside the client area and carries the keyboard focus. The marker of the button that
// has the focus is the only one shown, and it is each command's safety catch.
#include <QEvent>
#include <QFocusEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include "ui/about_box.h"
#include "ui/form1.h"
#include "ui/text_list.h"

namespace tavro {

void Form1::Focus_clear(int Focusno) {
    for (int i = 0; i < 5; ++i) {
        Label5[static_cast<size_t>(i)]->setVisible(i == Focusno);
    }
}

bool Form1::markerShown(int index) const {
    return index >= 0 && index < 5 && !Label5[static_cast<size_t>(index)]->isHidden();
}

void Form1::commandButton_GotFocus(int index) {
    Focus_clear(index);
}

void Form1::commandButton_LostFocus(int) {
    Focus_clear(5);
}

void Form1::labelButton_MouseMove(int index) {
    if (!isActiveWindow()) {
        return;
    }
    QPushButton* button = commandButton(index);
    if (button == nullptr) {
        return;
    }
    if (!button->isEnabled()) {
        // A disabled button disarms every button.
        Focus_clear(5);
        cmddummy->setFocus(Qt::MouseFocusReason);
        return;
    }
    button->setFocus(Qt::MouseFocusReason);
}

void Form1::labelButton_MouseDown(int index, Qt::MouseButton button) {
    if (button != Qt::LeftButton || index < 0 || index > 4) {
        return;
    }
    const QPushButton* command = commandButton(index);
    if ((index == 2 || index == 3) && !command->isEnabled()) {
        return;  // a disabled label button does not look pressed
    }
    QLabel* face = Label4[static_cast<size_t>(index)];
    face->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    face->setLineWidth(1);
}

void Form1::labelButton_MouseUp(int index, Qt::MouseButton button) {
    if (button != Qt::LeftButton || index < 0 || index > 4) {
        return;
    }
    Label4[static_cast<size_t>(index)]->setFrameStyle(QFrame::NoFrame);
}

void Form1::labelButton_Click(int index, bool onFace) {
    if (index < 0 || index > 4) {
        return;
    }
    if (onFace && !markerShown(index)) {
        return;
    }
    switch (index) {
        case 0:
            cmdOK_Click();
            break;
        case 1:
            cmdaddtext_Click();
            break;
        case 2:
            if (Cmdaddclip->isEnabled()) {
                Cmdaddclip_Click();
            }
            break;
        case 3:
            if (CmdDeltext->isEnabled()) {
                CmdDeltext_Click();
            }
            break;
        case 4:
            cmdClear_Click();
            break;
    }
}

void Form1::Label2_Click() {
    AboutBox::openBox();
}

bool Form1::labelButtonEvent(QObject* watched, QEvent* event) {
    int index = -1;
    bool onFace = false;
    for (int i = 0; i < 5; ++i) {
        const auto slot = static_cast<size_t>(i);
        if (watched == Label3[slot]) {
            index = i;
        } else if (watched == Label4[slot]) {
            index = i;
            onFace = true;
        } else if (watched == Label5[slot]) {
            // The markers only show; the pointer over them does nothing.
            return event->type() == QEvent::MouseMove;
        } else if (watched == commandButton(i)) {
            if (event->type() == QEvent::FocusIn) {
                commandButton_GotFocus(i);
            } else if (event->type() == QEvent::FocusOut) {
                // Losing the window's activation or opening a popup leaves the focus where it
                // is, as far as the markers go.
                const auto reason = static_cast<QFocusEvent*>(event)->reason();
                if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
                    commandButton_LostFocus(i);
                }
            } else if (event->type() == QEvent::KeyPress) {
                const int key = static_cast<QKeyEvent*>(event)->key();
                if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                    commandButton(i)->click();
                    return true;
                }
            }
            return false;
        }
    }
    if (index < 0) {
        return false;
    }
    switch (event->type()) {
        case QEvent::MouseMove:
            labelButton_MouseMove(index);
            return true;
        case QEvent::MouseButtonPress: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton) {
                pressedLabel_ = index;
            }
            labelButton_MouseDown(index, mouse->button());
            return true;
        }
        case QEvent::MouseButtonDblClick: {
            // The second press of a double click looks pressed like any press, but its
            // release is no second click: a double click acts once.
            pressedLabel_ = -1;
            labelButton_MouseDown(index, static_cast<QMouseEvent*>(event)->button());
            return true;
        }
        case QEvent::MouseButtonRelease: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            labelButton_MouseUp(index, mouse->button());
            const bool inside =
                static_cast<QWidget*>(watched)->rect().contains(mouse->position().toPoint());
            const bool click =
                mouse->button() == Qt::LeftButton && pressedLabel_ == index && inside;
            pressedLabel_ = -1;
            if (click) {
                labelButton_Click(index, onFace);
            }
            return true;
        }
        default:
            return false;
    }
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (labelButtonEvent(watched, event)) {
        return true;
    }
    const QEvent::Type type = event->type();
    if (watched == Label6[0] || watched == Label6[2] || watched == Picture1 ||
        watched == List1->viewport() || watched == Lsttext->viewport()) {
        if (type == QEvent::MouseMove) {
            ActiveWin();
            return watched == Label6[0] || watched == Label6[2] || watched == Picture1;
        }
    }
    if (watched == Label7[0] || watched == Label7[1] || watched == Label1) {
        // Headers and the credits shadow have no pointer handling of their own.
        return type == QEvent::MouseMove;
    }
    if (watched == Label2 && type == QEvent::MouseButtonPress) {
        return true;  // taken, so the release comes here too
    }
    if (watched == Label2 && type == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton &&
            Label2->rect().contains(mouse->position().toPoint())) {
            Label2_Click();
        }
        return true;
    }
    if (watched == List1->viewport() && type == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            // The right button opens the list's menu and leaves the selection alone.
            List1_MouseDown(mouse->button(), mouse->globalPosition().toPoint());
            return true;
        }
    }
    if (watched == Lsttext->viewport() && type == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            Lsttext_MouseDown(mouse->button(), mouse->globalPosition().toPoint());
            return true;
        }
    }
    if (watched == Lsttext) {
        if (type == QEvent::FocusIn) {
            Lsttext_GotFocus();
        } else if (type == QEvent::KeyPress) {
            Lsttext_KeyDown();
        }
    }
    return false;
}

}  // namespace tavro
