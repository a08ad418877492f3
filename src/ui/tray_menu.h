#pragma once

#include <QMenu>
#include <vector>

class QAction;
class QTimer;

// The tray menu: a heading and the first saved texts, a heading and the history, then
// "履歴ｸﾘｱ", "ﾊﾞｰｼﾞｮﾝ情報" and "終了". It only shows the two models: its entries follow them
// as they change, and choosing an entry reports the row it stands for.
//
// Each of the two runs of entries starts with an entry that is always in the menu, hidden
// while it stands for nothing; the further entries come and go right below it. While a load of
// the saved texts runs, the first saved-text entry stays as it was until the load gives it a
// row (or ends with none).
namespace tavro {

class HistoryModel;
class SavedTextModel;

class TrayMenu : public QMenu {
    Q_OBJECT
  public:
    TrayMenu(const HistoryModel& history, const SavedTextModel& savedTexts,
             QWidget* parent = nullptr);

  signals:
    void savedTextChosen(int row);
    void historyEntryChosen(int row);
    // Either heading: show the main window.
    void windowChosen();
    void clearHistoryChosen();
    void aboutChosen();
    void quitChosen();

  private:
    // One run of entries standing for rows of a model.
    struct EntryRun {
        std::vector<QAction*> entries;  // entries[0] is always there
    };
    QAction* addEntry(const QString& name, const QString& caption);
    // Makes the run hold `count` entries (at least the first), each after the one before.
    void resize(EntryRun& run, size_t count, const QString& name);
    void showHistory();
    void showSavedTextsFrom(int first, int last);
    void setCaption(QAction* entry, const QString& caption);
    void chose(QAction* entry);

    const HistoryModel& history_;
    const SavedTextModel& savedTexts_;
    EntryRun savedTextRun_;
    EntryRun historyRun_;
    // While the menu is open, the history is shown again at most this often, so a clipboard
    // that changes a thousand times a second still leaves the menu answering its keys.
    QTimer* openMenuRefresh_;
};

// The text a menu shows for a caption: line breaks as a visible mark, tabs as spaces, and '&'
// doubled so it is not taken as a mnemonic. The caption itself is kept as the entry's data.
QString menuDisplayText(const QString& caption);

}  // namespace tavro
