#include "core/saved_text_model.h"

#include <QCoreApplication>
#include <QMimeData>

namespace tavro {

SavedTextModel::SavedTextModel(QObject* parent)
    : QAbstractListModel(parent), eventPass_([] { QCoreApplication::processEvents(); }) {}

int SavedTextModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant SavedTextModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const SavedTextRow& row = rows_[static_cast<size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole:
            return row.listLine;
        case FileNameRole:
            return row.fileName;
        case TrayCaptionRole:
            return row.trayCaption;
        default:
            return {};
    }
}

Qt::ItemFlags SavedTextModel::flags(const QModelIndex& index) const {
    const Qt::ItemFlags base = QAbstractListModel::flags(index);
    return index.isValid() ? base | Qt::ItemIsDragEnabled : base;
}

QStringList SavedTextModel::mimeTypes() const {
    return {QStringLiteral("text/plain")};
}

QMimeData* SavedTextModel::mimeData(const QModelIndexList& indexes) const {
    auto* dragged = new QMimeData;
    if (!indexes.isEmpty() && indexes.first().isValid()) {
        const QModelIndex& index = indexes.first();
        dragged->setText(data(index, Qt::DisplayRole).toString());
        dragged->setData(QString::fromLatin1(kFileNameMimeType),
                         data(index, FileNameRole).toString().toUtf8());
    }
    return dragged;
}

void SavedTextModel::useFolder(const SavedTextFolder& folder) {
    store_ = SavedTextStore(folder.path);
    if (folder.created) {
        emit loadFinished();
    }
}

void SavedTextModel::reload() {
    if (stopped_) {
        return;  // the program is ending: nobody will see the rows
    }
    if (loading_) {
        // The running load shows the same folder, so one more load after it is all it takes.
        runWhenLoaded([this] { reload(); });
        return;
    }
    load();
}

void SavedTextModel::load() {
    loading_ = true;
    beginResetModel();
    rows_.clear();
    endResetModel();
    emit loadStarted();
    SavedTextStore::Listing listing = store_.list();
    // The listing comes in order already, so the sort moves nothing and lets no events
    // through; it still does for a name out of place.
    sortNames(listing.names, [this] {
        if (!stopped_) {
            eventPass_();
        }
    });
    if (listing.names.size() >= kFilesBetweenEventPasses && !stopped_) {
        eventPass_();  // listing thousands of names took a while too
    }
    std::vector<SavedTextRow> read;
    int filesRead = 0;
    for (const QString& name : std::as_const(listing.names)) {
        // Thousands of files take a while: the program answers meanwhile, and what was read
        // up to here is shown.
        if (++filesRead % kFilesBetweenEventPasses == 0) {
            insertRows(read);
            eventPass_();
        }
        if (stopped_) {
            break;
        }
        const std::optional<SavedText> text = store_.read(name);
        if (!text) {
            continue;  // unreadable: skipped, the rest still loads
        }
        read.push_back({name, savedTextListLine(*text), savedTextTrayCaption(text->excerpt)});
    }
    insertRows(read);
    loading_ = false;
    emit loadFinished();
    // Commands that came while the load let events through run now, in order; also when the
    // program is ending, so that a text saved before the quit is kept.
    std::vector<std::function<void()>> waiting;
    waiting.swap(afterLoad_);
    for (const auto& command : waiting) {
        command();
    }
}

void SavedTextModel::insertRows(std::vector<SavedTextRow>& rows) {
    if (rows.empty()) {
        return;
    }
    const int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
    rows_.insert(rows_.end(), std::make_move_iterator(rows.begin()),
                 std::make_move_iterator(rows.end()));
    endInsertRows();
    rows.clear();
}

void SavedTextModel::runWhenLoaded(std::function<void()> command) {
    if (loading_) {
        afterLoad_.push_back(std::move(command));
    } else {
        command();
    }
}

void SavedTextModel::stopLoading() {
    stopped_ = true;
}

std::optional<QString> SavedTextModel::save(const QDateTime& now, const QString& text) {
    if (std::optional<QString> name = store_.save(now, text)) {
        return name;
    }
    if (!chooseFolder_) {
        return std::nullopt;
    }
    // Temptext may have been replaced by a file, or the program folder removed, since the
    // start: the texts then go where the start would put them now.
    const SavedTextFolder folder = chooseFolder_();
    if (folder.path == store_.folder() && !folder.created) {
        return std::nullopt;  // the same folder, and nothing changed about it
    }
    store_ = SavedTextStore(folder.path);
    return store_.save(now, text);
}

bool SavedTextModel::remove(int row) {
    return store_.remove(fileNameOfRow(row));
}

std::optional<QString> SavedTextModel::wholeText(const QString& fileName) const {
    return store_.readWhole(fileName);
}

QString SavedTextModel::fileNameOfRow(int row) const {
    if (row < 0 || row >= rowCount()) {
        return QString();
    }
    const SavedTextRow& text = rows_[static_cast<size_t>(row)];
    const QString name = nameFromListLine(text.listLine);
    return name == text.fileName ? name : QString();
}

}  // namespace tavro
