#include "ui/label_button_bar.h"

#include <QEvent>
#include <QFocusEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include "ui/palette.h"

namespace tavro {

namespace {

size_t slotOf(LabelButton button) {
    return static_cast<size_t>(button);
}

// Only the saved-text buttons are ever unavailable; the others always act.
bool canBeUnavailable(LabelButton button) {
    return button == LabelButton::RecallText || button == LabelButton::DeleteText;
}

}  // namespace

LabelButtonBar::LabelButtonBar(QWidget* window, const std::array<Parts, 5>& buttonParts,
                               QPushButton* focusPark)
    : QObject(window), window_(window), parts_(buttonParts), focusPark_(focusPark) {
    for (const Parts& part : parts_) {
        for (QObject* watched :
             {static_cast<QObject*>(part.caption), static_cast<QObject*>(part.face),
              static_cast<QObject*>(part.marker), static_cast<QObject*>(part.command)}) {
            watched->installEventFilter(this);
        }
    }
    for (LabelButton button : kLabelButtons) {
        connect(parts(button).command, &QPushButton::clicked, this,
                [this, button] { emit clicked(button); });
    }
}

const LabelButtonBar::Parts& LabelButtonBar::parts(LabelButton button) const {
    return parts_[slotOf(button)];
}

void LabelButtonBar::showMarker(std::optional<LabelButton> button) {
    for (LabelButton each : kLabelButtons) {
        parts(each).marker->setVisible(button == each);
    }
}

bool LabelButtonBar::isMarkerShown(LabelButton button) const {
    // Its own flag, so it holds also while the window is hidden.
    return !parts(button).marker->isHidden();
}

bool LabelButtonBar::isPressed(LabelButton button) const {
    return parts(button).face->frameStyle() != QFrame::NoFrame;
}

void LabelButtonBar::setAvailable(LabelButton button, bool available) {
    QLabel* caption = parts(button).caption;
    QPalette palette = caption->palette();
    palette.setColor(QPalette::WindowText, colourOf(available ? Colour::White : Colour::Silver));
    caption->setPalette(palette);
    setCommandEnabled(button, available);
}

void LabelButtonBar::setCommandEnabled(LabelButton button, bool enabled) {
    parts(button).command->setEnabled(enabled);
}

bool LabelButtonBar::isAvailable(LabelButton button) const {
    return parts(button).command->isEnabled();
}

void LabelButtonBar::focus(LabelButton button) {
    parts(button).command->setFocus(Qt::OtherFocusReason);
}

void LabelButtonBar::disarm() {
    showMarker(std::nullopt);
    focusPark_->setFocus(Qt::MouseFocusReason);
}

std::optional<LabelButton> LabelButtonBar::labelButtonOf(QObject* watched, bool* onFace) const {
    for (LabelButton button : kLabelButtons) {
        if (watched == parts(button).caption || watched == parts(button).face) {
            *onFace = watched == parts(button).face;
            return button;
        }
    }
    return std::nullopt;
}

bool LabelButtonBar::eventFilter(QObject* watched, QEvent* event) {
    for (LabelButton button : kLabelButtons) {
        if (watched == parts(button).command) {
            return commandButtonEvent(button, event);
        }
        if (watched == parts(button).marker) {
            // The markers only show; the pointer over them does nothing.
            return event->type() == QEvent::MouseMove;
        }
    }
    bool onFace = false;
    const std::optional<LabelButton> button = labelButtonOf(watched, &onFace);
    if (!button) {
        return false;
    }
    switch (event->type()) {
        case QEvent::MouseMove:
            pointedAt(*button);
            return true;
        case QEvent::MouseButtonPress: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton) {
                pressedButton_ = button;
            }
            pressed(*button, mouse->button());
            return true;
        }
        case QEvent::MouseButtonDblClick:
            // The second press of a double click looks pressed like any press, but its
            // release is no second click: a double click acts once.
            pressedButton_.reset();
            pressed(*button, static_cast<QMouseEvent*>(event)->button());
            return true;
        case QEvent::MouseButtonRelease: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            released(*button, mouse->button());
            const bool inside =
                static_cast<QWidget*>(watched)->rect().contains(mouse->position().toPoint());
            const bool click =
                mouse->button() == Qt::LeftButton && pressedButton_ == button && inside;
            pressedButton_.reset();
            if (click) {
                labelClicked(*button, onFace);
            }
            return true;
        }
        default:
            return false;
    }
}

bool LabelButtonBar::commandButtonEvent(LabelButton button, QEvent* event) {
    switch (event->type()) {
        case QEvent::FocusIn:
            showMarker(button);
            break;
        case QEvent::FocusOut: {
            // Losing the window's activation or opening a popup leaves the focus where it is,
            // as far as the markers go.
            const auto reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
                showMarker(std::nullopt);
            }
            break;
        }
        case QEvent::KeyPress: {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                parts(button).command->click();
                return true;
            }
            break;
        }
        default:
            break;
    }
    return false;
}

void LabelButtonBar::pointedAt(LabelButton button) {
    if (!window_->isActiveWindow()) {
        return;
    }
    if (!isAvailable(button)) {
        disarm();  // an unavailable button disarms every button
        return;
    }
    parts(button).command->setFocus(Qt::MouseFocusReason);
}

void LabelButtonBar::pressed(LabelButton button, int mouseButton) {
    if (mouseButton != Qt::LeftButton) {
        return;
    }
    if (canBeUnavailable(button) && !isAvailable(button)) {
        return;  // an unavailable label button does not look pressed
    }
    QLabel* face = parts(button).face;
    face->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    face->setLineWidth(1);
}

void LabelButtonBar::released(LabelButton button, int mouseButton) {
    if (mouseButton == Qt::LeftButton) {
        parts(button).face->setFrameStyle(QFrame::NoFrame);
    }
}

void LabelButtonBar::labelClicked(LabelButton button, bool onFace) {
    if (onFace && !isMarkerShown(button)) {
        return;
    }
    if (canBeUnavailable(button) && !isAvailable(button)) {
        return;
    }
    emit clicked(button);
}

}  // namespace tavro
