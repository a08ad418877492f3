#include "ui/text_list_view.h"

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

TextListView::TextListView(QWidget* parent) : QListView(parent) {
    setItemDelegate(new OneLineDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setTextElideMode(Qt::ElideRight);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setDragDropMode(QAbstractItemView::NoDragDrop);
}

void TextListView::enableDragOut() {
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setDefaultDropAction(Qt::CopyAction);
}

void TextListView::acceptTextDrops() {
    acceptsDrops_ = true;
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
}

int TextListView::selectedRow() const {
    const QModelIndex current = currentIndex();
    return current.isValid() && selectionModel()->isSelected(current) ? current.row() : -1;
}

void TextListView::setSelectedRow(int row) {
    if (model() == nullptr || row < 0 || row >= model()->rowCount()) {
        setCurrentIndex(QModelIndex());
        clearSelection();
        return;
    }
    setCurrentIndex(model()->index(row, 0));
}

void TextListView::dragEnterEvent(QDragEnterEvent* event) {
    if (acceptsDrops_ && event->mimeData()->hasText()) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void TextListView::dragMoveEvent(QDragMoveEvent* event) {
    if (acceptsDrops_ && event->mimeData()->hasText()) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void TextListView::dropEvent(QDropEvent* event) {
    if (!acceptsDrops_ || !event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit textDropped(event->mimeData());
}

}  // namespace tavro
