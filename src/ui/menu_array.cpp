#include "ui/menu_array.h"

#include <QAction>
#include <QMenu>
#include <algorithm>

#include "ui/text_list.h"

namespace tavro {

namespace {
const char* const kCaptionProperty = "tavroCaption";
}

QString menuDisplayText(const QString& caption) {
    QString text = oneLineText(caption, caption.size());
    text.replace(QLatin1Char('&'), QLatin1String("&&"));
    return text;
}

MenuControlArray::MenuControlArray(QMenu* menu, QAction* element0, ClickHandler onClick)
    : menu_(menu), elements_{element0}, onClick_(std::move(onClick)) {
    element0->setProperty(kCaptionProperty, element0->text());
    connectClick(element0);
}

void MenuControlArray::connectClick(QAction* action) {
    QObject::connect(action, &QAction::triggered, menu_, [this, action] {
        const auto found = std::find(elements_.begin(), elements_.end(), action);
        if (found != elements_.end() && onClick_) {
            onClick_(static_cast<int>(found - elements_.begin()));
        }
    });
}

QAction* MenuControlArray::element(int index) const {
    if (index < 0 || index > ubound()) {
        return nullptr;
    }
    return elements_[static_cast<size_t>(index)];
}

void MenuControlArray::load(int index) {
    if (index != ubound() + 1 || index == 0) {
        return;  // elements are created in order, right after the last one
    }
    QAction* action = new QAction(menu_);
    // The next entry after the array is whatever followed its last element.
    const QList<QAction*> actions = menu_->actions();
    const qsizetype lastPosition = actions.indexOf(elements_.back());
    QAction* before = lastPosition + 1 < actions.size() ? actions[lastPosition + 1] : nullptr;
    menu_->insertAction(before, action);
    elements_.push_back(action);
    connectClick(action);
}

void MenuControlArray::unload(int index) {
    if (index <= 0 || index > ubound()) {
        return;
    }
    QAction* action = elements_[static_cast<size_t>(index)];
    elements_.erase(elements_.begin() + index);
    menu_->removeAction(action);
    delete action;
}

void MenuControlArray::unloadAboveZero() {
    while (ubound() > 0) {
        unload(1);
    }
}

QString MenuControlArray::caption(int index) const {
    const QAction* action = element(index);
    return action ? action->property(kCaptionProperty).toString() : QString();
}

void MenuControlArray::setCaption(int index, const QString& caption) {
    if (QAction* action = element(index)) {
        action->setProperty(kCaptionProperty, caption);
        action->setText(menuDisplayText(caption));
    }
}

bool MenuControlArray::isVisible(int index) const {
    const QAction* action = element(index);
    return action && action->isVisible();
}

void MenuControlArray::setVisible(int index, bool visible) {
    if (QAction* action = element(index)) {
        action->setVisible(visible);
    }
}

}  // namespace tavro
