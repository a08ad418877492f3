#pragma once

#include <QListView>
#include <QStyledItemDelegate>

class QMimeData;

// The two lists of the main window. Each line is drawn on one line, with line breaks shown as
// a mark and long texts cut, so a line of megabytes costs no more to draw than a short one.
namespace tavro {

// The text drawn for a line: CR LF, lone CR and lone LF each become "↵", tabs a space, and no
// more than maxChars characters of the text are looked at ("…" follows when there was more).
QString oneLineText(const QString& text, qsizetype maxChars = 400);

class OneLineDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QString displayText(const QVariant& value, const QLocale& locale) const override;
};

class TextListView : public QListView {
    Q_OBJECT
  public:
    explicit TextListView(QWidget* parent = nullptr);

    // Lines can be dragged out to other controls and programs (as the model gives them).
    void enableDragOut();
    // Text dropped on the list is announced with textDropped; otherwise it takes no drops.
    void acceptTextDrops();

    // The line that is current and selected: -1 when none. (A line the list made current on
    // taking the focus, without selecting it, is no selected line for the commands.)
    int selectedRow() const;
    // Selects the line at `row` and makes it current; a row outside the list leaves no line
    // current or selected.
    void setSelectedRow(int row);

  signals:
    void textDropped(const QMimeData* data);

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    bool acceptsDrops_ = false;
};

}  // namespace tavro
