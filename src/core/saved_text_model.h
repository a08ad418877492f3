#pragma once

#include <QAbstractListModel>
#include <QDateTime>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "core/saved_text_folder.h"
#include "core/saved_text_store.h"

// The saved texts as the window's list and the tray menu show them: one row per listed file,
// in ascending order of name, each with its list line ("MM/DD HH:MM |excerpt   ...NAME") and
// its tray caption. The folder is the store; the rows show it as of the last load.
//
// A load clears the rows, lists and sorts the names, and reads the files, letting pending
// events through after every move of the sort and every 200 files, so the program answers
// meanwhile. Rows read between two such passes enter in one insertion. A command that changes
// the folder while a load runs waits for the load's end (runWhenLoaded).
namespace tavro {

// A dragged saved-text row carries its file's name in this format beside its line as text.
inline constexpr char kFileNameMimeType[] = "application/x-tavro-file-name";

struct SavedTextRow {
    QString fileName;
    QString listLine;
    QString trayCaption;
};

class SavedTextModel : public QAbstractListModel {
    Q_OBJECT
  public:
    // The tray menu lists the saved texts of the first this many rows.
    static constexpr int kTrayLimit = 14;
    // While a load reads the files, pending events are let through after every this many.
    static constexpr int kFilesBetweenEventPasses = 200;

    enum Role {
        FileNameRole = Qt::UserRole + 1,  // the name of the row's file (QString)
        TrayCaptionRole,                  // the row's caption in the tray menu (QString)
    };

    // Lets the events that are pending now through, once.
    using EventPass = std::function<void()>;
    // Where the texts go when a save finds the folder unusable (see save()).
    using FolderChooser = std::function<SavedTextFolder()>;

    explicit SavedTextModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;

    void setEventPass(EventPass pass) { eventPass_ = std::move(pass); }
    void setFolderChooser(FolderChooser chooser) { chooseFolder_ = std::move(chooser); }

    // Takes the folder the texts live in. A folder made just now holds nothing: no load is
    // needed, and the rows are final at once (loadFinished).
    void useFolder(const SavedTextFolder& folder);
    const SavedTextStore& store() const { return store_; }

    // Rebuilds the rows from the folder. Asked for while a load runs, one more load follows it.
    void reload();
    bool isLoading() const { return loading_; }
    // Runs `command` now, or when the load that runs now has ended, in the order asked.
    void runWhenLoaded(std::function<void()> command);
    // The program ends: a load that runs finishes at once without letting events through,
    // reads nothing more, and no later load runs. Commands waiting for it still run.
    void stopLoading();

    // Saves `text` as a new saved text named by `now` (or the first free second after it).
    // When the folder can't take it (removed, replaced by a file), the text goes where the
    // folder chooser says now and that folder is used from then on. The name used, or nothing
    // when the text could not be saved whole. The rows are not reloaded.
    std::optional<QString> save(const QDateTime& now, const QString& text);
    // Deletes the file of `row` (see fileNameOfRow); false when that fails or names nothing.
    bool remove(int row);
    // The whole text of the saved text `fileName`, as recalling it puts it on the clipboard.
    std::optional<QString> wholeText(const QString& fileName) const;

    // The file a row stands for, as the commands take it: the last 16 characters of its list
    // line, and only when they are the file's own name (a longer name would point at another
    // file). Empty for a row outside the list or a name the line can't carry.
    QString fileNameOfRow(int row) const;

  signals:
    // A load cleared the rows; the rows that follow come in as it reads.
    void loadStarted();
    // The rows are final: a load ended, or a new, empty folder was taken.
    void loadFinished();

  private:
    void load();
    void insertRows(std::vector<SavedTextRow>& rows);

    SavedTextStore store_{QString()};
    std::vector<SavedTextRow> rows_;
    EventPass eventPass_;
    FolderChooser chooseFolder_;
    bool loading_ = false;
    bool stopped_ = false;
    std::vector<std::function<void()>> afterLoad_;
};

}  // namespace tavro
