#include "ui/tray_menu.h"

#include <QAction>
#include <QTimer>
#include <algorithm>

#include "core/history_model.h"
#include "core/saved_text_model.h"
#include "ui/text_list_view.h"

namespace tavro {

namespace {
constexpr int kOpenMenuRefreshMs = 50;
}  // namespace

QString menuDisplayText(const QString& caption) {
    QString text = oneLineText(caption, caption.size());
    text.replace(QLatin1Char('&'), QLatin1String("&&"));
    return text;
}

TrayMenu::TrayMenu(const HistoryModel& history, const SavedTextModel& savedTexts, QWidget* parent)
    : QMenu(QStringLiteral("コマンド"), parent),
      history_(history),
      savedTexts_(savedTexts),
      openMenuRefresh_(new QTimer(this)) {
    setObjectName(QStringLiteral("trayMenu"));
    // A menu of the main window that no menu bar shows: it opens as a popup only.
    menuAction()->setVisible(false);

    QAction* savedTextHeading =
        addEntry(QStringLiteral("savedTextHeading"), QStringLiteral("【ﾃｷｽﾄ履歴】"));
    savedTextRun_.entries.push_back(
        addEntry(QStringLiteral("savedTextEntry0"), QStringLiteral("ﾃｷｽﾄ履歴")));
    addSeparator()->setObjectName(QStringLiteral("savedTextSeparator"));
    QAction* historyHeading =
        addEntry(QStringLiteral("historyHeading"), QStringLiteral("【ｸﾘｯﾌﾟﾎﾞｰﾄﾞ履歴】"));
    historyRun_.entries.push_back(
        addEntry(QStringLiteral("historyEntry0"), QStringLiteral("履歴")));
    addSeparator()->setObjectName(QStringLiteral("historySeparator"));
    QAction* clearHistory =
        addEntry(QStringLiteral("clearHistoryAction"), QStringLiteral("履歴ｸﾘｱ"));
    QAction* about = addEntry(QStringLiteral("aboutAction"), QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    QAction* quit = addEntry(QStringLiteral("quitAction"), QStringLiteral("終了"));

    connect(savedTextHeading, &QAction::triggered, this, &TrayMenu::windowChosen);
    connect(historyHeading, &QAction::triggered, this, &TrayMenu::windowChosen);
    connect(clearHistory, &QAction::triggered, this, &TrayMenu::clearHistoryChosen);
    connect(about, &QAction::triggered, this, &TrayMenu::aboutChosen);
    connect(quit, &QAction::triggered, this, &TrayMenu::quitChosen);
    for (QAction* entry : {savedTextRun_.entries[0], historyRun_.entries[0]}) {
        connect(entry, &QAction::triggered, this, [this, entry] { chose(entry); });
    }

    // The history: every change shows it whole again.
    openMenuRefresh_->setSingleShot(true);
    openMenuRefresh_->setInterval(kOpenMenuRefreshMs);
    connect(openMenuRefresh_, &QTimer::timeout, this, &TrayMenu::showHistory);
    auto historyChanged = [this] {
        if (!isVisible()) {
            showHistory();
        } else if (!openMenuRefresh_->isActive()) {
            openMenuRefresh_->start();
        }
    };
    connect(&history_, &QAbstractItemModel::rowsInserted, this, historyChanged);
    connect(&history_, &QAbstractItemModel::rowsRemoved, this, historyChanged);
    connect(&history_, &QAbstractItemModel::modelReset, this, historyChanged);
    connect(this, &QMenu::aboutToHide, this, [this] {
        if (openMenuRefresh_->isActive()) {
            openMenuRefresh_->stop();
            showHistory();
        }
    });
    showHistory();

    // The saved texts: a load takes the entries below the first away, and each row it reads
    // among the first 14 gets its entry.
    connect(&savedTexts_, &SavedTextModel::loadStarted, this,
            [this] { resize(savedTextRun_, 1, QStringLiteral("savedTextEntry")); });
    connect(&savedTexts_, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { showSavedTextsFrom(first, last); });
    connect(&savedTexts_, &SavedTextModel::loadFinished, this, [this] {
        // Without a listed text the first entry would recall nothing (or a text gone since).
        if (savedTexts_.rowCount() == 0) {
            savedTextRun_.entries[0]->setVisible(false);
        }
    });
}

QAction* TrayMenu::addEntry(const QString& name, const QString& caption) {
    QAction* action = addAction(caption);
    action->setObjectName(name);
    return action;
}

void TrayMenu::resize(EntryRun& run, size_t count, const QString& name) {
    count = std::max<size_t>(count, 1);
    while (run.entries.size() > count) {
        QAction* entry = run.entries.back();
        run.entries.pop_back();
        removeAction(entry);
        delete entry;
    }
    while (run.entries.size() < count) {
        // Right below the run's last entry: before whatever follows it.
        const QList<QAction*> all = actions();
        const qsizetype last = all.indexOf(run.entries.back());
        QAction* before = last + 1 < all.size() ? all[last + 1] : nullptr;
        auto* entry = new QAction(this);
        entry->setObjectName(name + QString::number(run.entries.size()));
        insertAction(before, entry);
        run.entries.push_back(entry);
        connect(entry, &QAction::triggered, this, [this, entry] { chose(entry); });
    }
}

void TrayMenu::showHistory() {
    const int count = history_.rowCount();
    // The entries below the first are made anew on every change, so a click on an entry as it
    // was (a tray reading the menu over D-Bus may click a layout it read before the change)
    // finds it gone instead of recalling whatever entry stands in its place now.
    resize(historyRun_, 1, QStringLiteral("historyEntry"));
    resize(historyRun_, static_cast<size_t>(count), QStringLiteral("historyEntry"));
    historyRun_.entries[0]->setVisible(count > 0);
    for (int row = 0; row < count; ++row) {
        setCaption(historyRun_.entries[static_cast<size_t>(row)], history_.trayCaption(row));
    }
}

void TrayMenu::showSavedTextsFrom(int first, int last) {
    last = std::min(last, SavedTextModel::kTrayLimit - 1);
    for (int row = first; row <= last; ++row) {
        if (row == 0) {
            savedTextRun_.entries[0]->setVisible(true);
        } else {
            resize(savedTextRun_, static_cast<size_t>(row) + 1, QStringLiteral("savedTextEntry"));
        }
        const QModelIndex index = savedTexts_.index(row);
        setCaption(savedTextRun_.entries[static_cast<size_t>(row)],
                   savedTexts_.data(index, SavedTextModel::TrayCaptionRole).toString());
    }
}

void TrayMenu::setCaption(QAction* entry, const QString& caption) {
    // Qt changes nothing (and lays the menu out again for nothing) when a text is unchanged.
    entry->setData(caption);
    entry->setText(menuDisplayText(caption));
}

void TrayMenu::chose(QAction* entry) {
    for (size_t i = 0; i < savedTextRun_.entries.size(); ++i) {
        if (savedTextRun_.entries[i] == entry) {
            emit savedTextChosen(static_cast<int>(i));
            return;
        }
    }
    for (size_t i = 0; i < historyRun_.entries.size(); ++i) {
        if (historyRun_.entries[i] == entry) {
            emit historyEntryChosen(static_cast<int>(i));
            return;
        }
    }
}

}  // namespace tavro
