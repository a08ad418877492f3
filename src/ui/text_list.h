#pragma once

#include <QListWidget>
#include <QStyledItemDelegate>
#include <functional>

class QMimeData;

// The two list boxes of the main window. Each line keeps its whole text; it is drawn on one
// line, with line breaks shown as a mark and long texts cut, so a 50 MB entry costs no more
// to draw than a short one.
namespace tavro {

// A line may remember the name of the file it was read from; a line dragged out carries
// that name beside its text in this format.
inline constexpr int kFileNameRole = Qt::UserRole + 1;
inline constexpr char kFileNameMimeType[] = "application/x-tavro-file-name";

// The text drawn for a line: CR LF, lone CR and lone LF each become "↵", tabs a space,
// and no more than maxChars characters of the text are looked at.
QString oneLineText(const QString& text, qsizetype maxChars = 400);

class OneLineDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QString displayText(const QVariant& value, const QLocale& locale) const override;
};

class TextList : public QListWidget {
    Q_OBJECT
  public:
    explicit TextList(QWidget* parent = nullptr);

    // Lines can be dragged out to other controls and programs as their text.
    void enableDragOut();
    // Text dropped on the list goes to this handler; without one the list takes no drops.
    void setDropHandler(std::function<void(const QMimeData*)> handler);

    // The list box's current line: -1 when none (setting -1 clears the selection).
    int listIndex() const;
    void setListIndex(int index);
    // The line at index; the empty text for an index outside the list.
    QString line(int index) const;

  protected:
    QMimeData* mimeData(const QList<QListWidgetItem*>& items) const override;
    QStringList mimeTypes() const override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    std::function<void(const QMimeData*)> dropHandler_;
};

}  // namespace tavro
