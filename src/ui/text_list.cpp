#include "ui/text_list.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>

namespace tavro {

QString oneLineText(const QString& text, qsizetype maxChars) {
    static const QChar kLineBreakMark(0x21B5);  // ↵
    const qsizetype length = std::min(text.size(), maxChars);
    QString result;
    result.reserve(length);
    for (qsizetype i = 0; i < length; ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r')) {
            result.append(kLineBreakMark);
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) {
                ++i;
            }
        } else if (c == QLatin1Char('\n')) {
            result.append(kLineBreakMark);
        } else if (c == QLatin1Char('\t')) {
            result.append(QLatin1Char(' '));
        } else {
            result.append(c);
        }
    }
    if (length < text.size()) {
        result.append(QChar(0x2026));  // …
    }
    return result;
}

QString OneLineDelegate::displayText(const QVariant& value, const QLocale&) const {
    return oneLineText(value.toString());
}

TextList::TextList(QWidget* parent) : QListWidget(parent) {
    setItemDelegate(new OneLineDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setTextElideMode(Qt::ElideRight);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setDragDropMode(QAbstractItemView::NoDragDrop);
}

void TextList::enableDragOut() {
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setDefaultDropAction(Qt::CopyAction);
}

void TextList::setDropHandler(std::function<void(const QMimeData*)> handler) {
    dropHandler_ = std::move(handler);
    setAcceptDrops(static_cast<bool>(dropHandler_));
    viewport()->setAcceptDrops(static_cast<bool>(dropHandler_));
}

int TextList::listIndex() const {
    // A line that is current but not selected (as after the list takes the focus) is no
    // current line for the commands.
    const QListWidgetItem* current = currentItem();
    return current && current->isSelected() ? currentRow() : -1;
}

void TextList::setListIndex(int index) {
    if (index < 0 || index >= count()) {
        setCurrentRow(-1);
        clearSelection();
        return;
    }
    setCurrentRow(index);
}

QString TextList::line(int index) const {
    const QListWidgetItem* lineItem = item(index);
    return lineItem ? lineItem->text() : QString();
}

QStringList TextList::mimeTypes() const {
    return {QStringLiteral("text/plain")};
}

QMimeData* TextList::mimeData(const QList<QListWidgetItem*>& items) const {
    auto* dragged = new QMimeData;
    if (!items.isEmpty()) {
        dragged->setText(items.first()->text());
        const QVariant fileName = items.first()->data(kFileNameRole);
        if (fileName.isValid()) {
            dragged->setData(QString::fromLatin1(kFileNameMimeType), fileName.toString().toUtf8());
        }
    }
    return dragged;
}

void TextList::dragEnterEvent(QDragEnterEvent* event) {
    if (dropHandler_ && event->mimeData()->hasText()) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void TextList::dragMoveEvent(QDragMoveEvent* event) {
    if (dropHandler_ && event->mimeData()->hasText()) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void TextList::dropEvent(QDropEvent* event) {
    if (!dropHandler_ || !event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    dropHandler_(event->mimeData());
}

}  // namespace tavro
