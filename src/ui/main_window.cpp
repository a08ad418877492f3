#include "ui/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <array>

#include "core/history_model.h"
#include "core/messages.h"
#include "core/saved_text_model.h"
#include "ui/palette.h"
#include "ui/resources.h"
#include "ui/text_list_view.h"
#include "ui/twips.h"

namespace tavro {

namespace {

enum class Kind {
    Label,       // text or a coloured box; takes no focus
    BoldLabel,   // the credits line's face, bold
    Panel,       // the panel that holds the saved-text half
    List,        // a list of one-line entries
    PushButton,  // a real button outside the visible area: it only carries the focus
};
// Where a control lies: directly in the window, or in the panel.
enum class Container { Window, Panel };

struct ControlPlacement {
    const char* name;
    Kind kind;
    Container container;
    int left, top, width, height;  // twips, within the container
    const char* caption;
    Colour background;
    Colour text;
};

const char* const kCreditsLine = "(C) 2026 Tavro Team";

// Every control, each container's children back to front: a later sibling lies in front.
// clang-format off
const ControlPlacement kLayout[] = {
    {"creditsShadow",       Kind::BoldLabel,  Container::Window, 690, 5880, 3105, 180, kCreditsLine, Colour::None, Colour::Orange},
    {"creditsLabel",        Kind::BoldLabel,  Container::Window, 660, 5880, 3105, 180, kCreditsLine, Colour::None, Colour::White},
    {"textPanel",           Kind::Panel,      Container::Window,   0,    0, 4520, 5805, "", Colour::Khaki, Colour::None},
    {"middleBar",           Kind::Label,      Container::Panel,   30, 2850, 4395, 345, "", Colour::Black, Colour::None},
    {"clearHistoryMarker",  Kind::Label,      Container::Panel, 3510, 2880,  915, 285, "", Colour::White, Colour::None},
    {"clearHistoryFace",    Kind::Label,      Container::Panel, 3540, 2910,  855, 225, "", Colour::Olive, Colour::None},
    {"topBar",              Kind::Label,      Container::Panel,    0,    0, 4845, 335, "", Colour::Black, Colour::None},
    {"deleteTextMarker",    Kind::Label,      Container::Panel, 2640,   15,  915, 285, "", Colour::White, Colour::None},
    {"deleteTextFace",      Kind::Label,      Container::Panel, 2670,   45,  855, 225, "", Colour::Olive, Colour::None},
    {"deleteTextCaption",   Kind::Label,      Container::Panel, 2910,   75,  465, 165, "削除", Colour::None, Colour::White},
    {"recallTextMarker",    Kind::Label,      Container::Panel, 1770, 2880, 1755, 285, "", Colour::White, Colour::None},
    {"recallTextFace",      Kind::Label,      Container::Panel, 1800, 2910, 1695, 225, "", Colour::Olive, Colour::None},
    {"recallTextCaption",   Kind::Label,      Container::Panel, 1830, 2940, 1575, 165, "↓ｸﾘｯﾌﾟﾎﾞｰﾄﾞに追加", Colour::None, Colour::White},
    {"saveEntryMarker",     Kind::Label,      Container::Panel,   30, 2880, 1755, 285, "", Colour::White, Colour::None},
    {"saveEntryFace",       Kind::Label,      Container::Panel,   60, 2910, 1695, 225, "", Colour::Olive, Colour::None},
    {"saveEntryCaption",    Kind::Label,      Container::Panel,  120, 2940, 1395, 165, "   ↑ﾃｷｽﾄに追加", Colour::None, Colour::White},
    {"okMarker",            Kind::Label,      Container::Panel, 3540,   15,  915, 285, "", Colour::White, Colour::None},
    {"okFace",              Kind::Label,      Container::Panel, 3570,   45,  855, 225, "", Colour::Olive, Colour::None},
    {"okCaption",           Kind::Label,      Container::Panel, 3900,   75,  345, 165, "OK", Colour::None, Colour::White},
    {"textHeader",          Kind::Label,      Container::Panel, 1110,  420, 3285, 195, "                   ﾃｷｽﾄ内容", Colour::GreyBrown, Colour::White},
    {"dateHeader",          Kind::Label,      Container::Panel,   60,  420, 1035, 195, "  更新日付", Colour::Blue, Colour::White},
    {"clearHistoryCaption", Kind::Label,      Container::Panel, 3810, 2940,  345, 165, "ｸﾘｱ", Colour::None, Colour::White},
    {"savedTextList",       Kind::List,       Container::Panel,   60,  600, 4335, 2190, "", Colour::White, Colour::Black},
    {"historyList",         Kind::List,       Container::Window,  90, 3270, 4335, 2370, "", Colour::White, Colour::Black},
    {"okButton",            Kind::PushButton, Container::Window, 6135,  150,  885, 345, "ＯＫ", Colour::Khaki, Colour::None},
    {"deleteTextButton",    Kind::PushButton, Container::Window, 5250,  150,  885, 345, "↓　削除", Colour::None, Colour::None},
    {"clearHistoryButton",  Kind::PushButton, Container::Window, 5850, 3450, 1125, 345, "クリア", Colour::None, Colour::None},
    {"recallTextButton",    Kind::PushButton, Container::Window, 4860, 2880, 2200, 345, "↓　ｸﾘｯﾌﾟﾎﾞｰﾄﾞ追加", Colour::None, Colour::None},
    {"saveEntryButton",     Kind::PushButton, Container::Window, 4680, 2220, 2200, 345, "↑　ﾃｷｽﾄ追加", Colour::None, Colour::None},
    {"focusParkButton",     Kind::PushButton, Container::Window, 6270, 5310,  555, 435, "ダ", Colour::GreyBrown, Colour::None},
};
// clang-format on

// The keyboard order: the five command buttons, the two lists, the button that parks the focus.
const char* const kTabOrder[] = {"okButton",         "saveEntryButton",    "recallTextButton",
                                 "deleteTextButton", "clearHistoryButton", "historyList",
                                 "savedTextList",    "focusParkButton"};

// The window as built is larger than once started (the push buttons lie beyond its edge then).
constexpr int kBuiltClientWidthTwips = 7095;
constexpr int kBuiltClientHeightTwips = 6750;
// The window's outer size once started, and the frame a fixed single border adds to the client
// area (3 px each side, a 19 px caption): the client area is what Qt sizes.
constexpr int kStartedOuterWidthTwips = 4600;
constexpr int kStartedOuterHeightTwips = 6504;
constexpr int kFrameWidthTwips = 2 * 3 * kTwipsPerPixel;
constexpr int kFrameHeightTwips = (2 * 3 + 19) * kTwipsPerPixel;

void setBackground(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, color);
    palette.setColor(QPalette::Base, color);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void setTextColor(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    widget->setPalette(palette);
}

QWidget* makeControl(const ControlPlacement& placement, QWidget* parent) {
    const QString caption = QString::fromUtf8(placement.caption);
    QWidget* widget = nullptr;
    switch (placement.kind) {
        case Kind::Label:
        case Kind::BoldLabel: {
            auto* label = new QLabel(caption, parent);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            label->setTextFormat(Qt::PlainText);
            label->setMouseTracking(true);
            if (placement.kind == Kind::BoldLabel) {
                QFont bold = pGothicFont(9);
                bold.setBold(true);
                label->setFont(bold);
            }
            widget = label;
            break;
        }
        case Kind::Panel: {
            auto* panel = new QFrame(parent);
            panel->setFrameShape(QFrame::NoFrame);
            panel->setFocusPolicy(Qt::NoFocus);
            panel->setMouseTracking(true);
            widget = panel;
            break;
        }
        case Kind::List:
            widget = new TextListView(parent);
            break;
        case Kind::PushButton: {
            auto* button = new QPushButton(caption, parent);
            button->setFocusPolicy(Qt::StrongFocus);
            widget = button;
            break;
        }
    }
    widget->setObjectName(QString::fromLatin1(placement.name));
    widget->setGeometry(
        twipsRect(placement.left, placement.top, placement.width, placement.height));
    if (placement.background != Colour::None) {
        setBackground(widget, colourOf(placement.background));
    }
    if (placement.text != Colour::None) {
        setTextColor(widget, colourOf(placement.text));
    }
    if (placement.kind == Kind::List) {
        // The lists paint their own white background; the pointer over them is followed.
        auto* list = static_cast<TextListView*>(widget);
        list->setAutoFillBackground(false);
        list->viewport()->setMouseTracking(true);
        list->setMouseTracking(true);
    }
    return widget;
}

QAction* addEntry(QMenu* menu, const char* name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

}  // namespace

MainWindow::MainWindow(HistoryModel& history, SavedTextModel& savedTexts)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                           Qt::MSWindowsFixedSizeDialogHint) {
    initResources();
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(kAppTitle);
    setWindowIcon(programIcon());
    setBackground(this, colourOf(Colour::Black));
    setFont(pGothicFont(9));
    setFixedSize(twipsSize(kBuiltClientWidthTwips, kBuiltClientHeightTwips));
    buildControls();
    buildListMenus();
    connectViews(history, savedTexts);
}

MainWindow::~MainWindow() = default;

void MainWindow::buildControls() {
    QWidget* panel = nullptr;
    for (const ControlPlacement& placement : kLayout) {
        QWidget* widget =
            makeControl(placement, placement.container == Container::Panel ? panel : this);
        if (placement.kind == Kind::Panel) {
            panel = widget;
        }
    }
    for (size_t i = 0; i + 1 < std::size(kTabOrder); ++i) {
        setTabOrder(findChild<QWidget*>(QString::fromLatin1(kTabOrder[i])),
                    findChild<QWidget*>(QString::fromLatin1(kTabOrder[i + 1])));
    }
    historyList_ = findChild<TextListView*>(QStringLiteral("historyList"));
    savedTextList_ = findChild<TextListView*>(QStringLiteral("savedTextList"));
    savedTextList_->enableDragOut();
    historyList_->acceptTextDrops();

    // The label buttons, each named by its command: caption, face and marker in the panel, its
    // push button in the window.
    const char* const prefixes[] = {"ok", "saveEntry", "recallText", "deleteText", "clearHistory"};
    std::array<LabelButtonBar::Parts, 5> parts;
    for (size_t i = 0; i < parts.size(); ++i) {
        const QString prefix = QString::fromLatin1(prefixes[i]);
        parts[i] = {findChild<QLabel*>(prefix + QStringLiteral("Caption")),
                    findChild<QLabel*>(prefix + QStringLiteral("Face")),
                    findChild<QLabel*>(prefix + QStringLiteral("Marker")),
                    findChild<QPushButton*>(prefix + QStringLiteral("Button"))};
    }
    buttons_ =
        new LabelButtonBar(this, parts, findChild<QPushButton*>(QStringLiteral("focusParkButton")));
    connect(buttons_, &LabelButtonBar::clicked, this, &MainWindow::labelButtonClicked);

    const auto named = [this](const char* name) {
        QWidget* widget = findChild<QWidget*>(QString::fromLatin1(name));
        widget->installEventFilter(this);
        return widget;
    };
    disarmingAreas_ = {named("topBar"), named("middleBar"), named("textPanel")};
    mutedLabels_ = {named("textHeader"), named("dateHeader"), named("creditsShadow")};
    creditsLabel_ = named("creditsLabel");
    creditsLabel_->setCursor(Qt::PointingHandCursor);
    for (TextListView* list : {historyList_, savedTextList_}) {
        list->installEventFilter(this);
        list->viewport()->installEventFilter(this);
    }
}

void MainWindow::buildListMenus() {
    savedTextMenu_ = new QMenu(QStringLiteral("ﾃｷｽﾄﾒﾆｭｰ"), this);
    savedTextMenu_->setObjectName(QStringLiteral("savedTextMenu"));
    connect(addEntry(savedTextMenu_, "recallTextAction", QStringLiteral("ｸﾘｯﾌﾟﾎﾞｰﾄﾞに追加")),
            &QAction::triggered, this, &MainWindow::recallTextChosen);
    connect(addEntry(savedTextMenu_, "deleteTextAction", QStringLiteral("削除")),
            &QAction::triggered, this, &MainWindow::deleteTextChosen);

    historyMenu_ = new QMenu(QStringLiteral("ｸﾘｯﾌﾟﾎﾞｰﾄﾞﾒﾆｭｰ"), this);
    historyMenu_->setObjectName(QStringLiteral("historyMenu"));
    connect(addEntry(historyMenu_, "saveEntryAction", QStringLiteral("ﾃｷｽﾄに追加")),
            &QAction::triggered, this, &MainWindow::saveEntryChosen);
    connect(addEntry(historyMenu_, "deleteEntryAction", QStringLiteral("削除")),
            &QAction::triggered, this, &MainWindow::deleteEntryChosen);

    // Menus of the window that no menu bar shows: they open as popups only.
    for (QMenu* menu : {savedTextMenu_, historyMenu_}) {
        menu->menuAction()->setVisible(false);
    }
}

void MainWindow::connectViews(HistoryModel& history, SavedTextModel& savedTexts) {
    historyList_->setModel(&history);
    savedTextList_->setModel(&savedTexts);
    // A new entry leaves no entry selected.
    connect(&history, &QAbstractItemModel::rowsInserted, this,
            [this] { historyList_->setSelectedRow(-1); });
    connect(historyList_, &QAbstractItemView::doubleClicked, this,
            &MainWindow::historyEntryDoubleClicked);
    connect(historyList_, &TextListView::textDropped, this, &MainWindow::textDroppedOnHistory);
    // The saved-text list's click: a line becomes selected, by the pointer or the keys. (Taking
    // the focus makes a line current without selecting it; that is no click.)
    connect(savedTextList_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid() && savedTextList_->selectedRow() == current.row()) {
                    emit savedTextListClicked();
                }
            });
    connect(savedTextList_, &QAbstractItemView::clicked, this, &MainWindow::savedTextListClicked);
}

int MainWindow::selectedHistoryRow() const {
    return historyList_->selectedRow();
}

int MainWindow::selectedSavedTextRow() const {
    return savedTextList_->selectedRow();
}

void MainWindow::clearSavedTextSelection() {
    savedTextList_->setSelectedRow(-1);
}

void MainWindow::setSavedTextActionsEnabled(bool enabled) {
    buttons_->setAvailable(LabelButton::DeleteText, enabled);
    buttons_->setAvailable(LabelButton::RecallText, enabled);
}

void MainWindow::disableSavedTextButtons(LabelButton first) {
    const LabelButton second =
        first == LabelButton::DeleteText ? LabelButton::RecallText : LabelButton::DeleteText;
    buttons_->setCommandEnabled(first, false);
    buttons_->setCommandEnabled(second, false);
}

bool MainWindow::savedTextActionsEnabled() const {
    return buttons_->isAvailable(LabelButton::DeleteText);
}

void MainWindow::showMarker(std::optional<LabelButton> button) {
    buttons_->showMarker(button);
}

bool MainWindow::isMarkerShown(LabelButton button) const {
    return buttons_->isMarkerShown(button);
}

void MainWindow::focusOkButton() {
    buttons_->focus(LabelButton::Ok);
}

void MainWindow::showAndFocus() {
    if (isMinimized()) {
        showNormal();
    } else {
        show();
    }
    raise();
    activateWindow();
    focusOkButton();
}

void MainWindow::centreOnScreen() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + area.width() / 2 - width() / 2,
             area.y() + area.height() / 2 - height() / 2);
    }
}

void MainWindow::takeStartedSize() {
    setFixedSize(twipsSize(kStartedOuterWidthTwips - kFrameWidthTwips,
                           kStartedOuterHeightTwips - kFrameHeightTwips));
}

void MainWindow::disarmIfActive() {
    if (isActiveWindow()) {
        buttons_->disarm();
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    const auto isOneOf = [watched](const std::vector<QWidget*>& widgets) {
        return std::find(widgets.begin(), widgets.end(), watched) != widgets.end();
    };
    const bool area = isOneOf(disarmingAreas_);
    const bool listArea =
        watched == historyList_->viewport() || watched == savedTextList_->viewport();
    if ((area || listArea) && type == QEvent::MouseMove) {
        disarmIfActive();
        return area;  // the lists still follow the pointer themselves
    }
    if (isOneOf(mutedLabels_)) {
        return type == QEvent::MouseMove;
    }
    if (watched == creditsLabel_) {
        if (type == QEvent::MouseButtonPress) {
            return true;  // taken, so the release comes here too
        }
        if (type == QEvent::MouseButtonRelease) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton &&
                creditsLabel_->rect().contains(mouse->position().toPoint())) {
                emit creditsClicked();
            }
            return true;
        }
        return false;
    }
    if (listArea && type == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            // The right button opens the list's menu and leaves the selection alone; the
            // saved-text menu only while its commands are available.
            const QPoint at = mouse->globalPosition().toPoint();
            if (watched == historyList_->viewport()) {
                historyMenu_->popup(at);
            } else if (savedTextActionsEnabled()) {
                savedTextMenu_->popup(at);
            }
            return true;
        }
    }
    if (watched == savedTextList_) {
        if (type == QEvent::FocusIn) {
            emit savedTextListFocused();
        } else if (type == QEvent::KeyPress) {
            emit savedTextListKeyPressed();
        }
    }
    return false;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    emit closing();
    event->accept();
}

}  // namespace tavro
