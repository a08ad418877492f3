#include "ui/form1.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

#include "platform/clipboard_monitor.h"
#include "platform/single_instance.h"
#include "platform/tray_icon.h"
#include "shell/toolkit.h"
#include "shell/twips.h"
#include "ui/resources.h"
#include "ui/text_list.h"

namespace tavro {

namespace {

// The window's palette.
const QColor kBlack(0, 0, 0);
const QColor kWhite(255, 255, 255);
const QColor kKhaki(220, 222, 194);
const QColor kOlive(115, 114, 70);
const QColor kBlue(71, 108, 158);
const QColor kGreyBrown(131, 124, 114);
const QColor kOrange(220, 128, 3);

// Geometry in twips: left, top, width, height within the control's container.
struct TwipsBox {
    int left, top, width, height;
};

constexpr TwipsBox kCmddummy{6270, 5310, 555, 435};
constexpr TwipsBox kCmdaddtext{4680, 2220, 2200, 345};
constexpr TwipsBox kCmdaddclip{4860, 2880, 2200, 345};
constexpr TwipsBox kCmdClear{5850, 3450, 1125, 345};
constexpr TwipsBox kCmdDeltext{5250, 150, 885, 345};
constexpr TwipsBox kCmdok{6135, 150, 885, 345};
constexpr TwipsBox kList1{90, 3270, 4335, 2370};
constexpr TwipsBox kPicture1{0, 0, 4520, 5805};
constexpr TwipsBox kLabel2{660, 5880, 3105, 180};
constexpr TwipsBox kLabel1{690, 5880, 3105, 180};
// Inside the panel.
constexpr TwipsBox kLsttext{60, 600, 4335, 2190};
constexpr std::array<TwipsBox, 2> kLabel7{{{1110, 420, 3285, 195}, {60, 420, 1035, 195}}};
constexpr std::array<TwipsBox, 5> kLabel3{{{3900, 75, 345, 165},
                                           {120, 2940, 1395, 165},
                                           {1830, 2940, 1575, 165},
                                           {2910, 75, 465, 165},
                                           {3810, 2940, 345, 165}}};
constexpr std::array<TwipsBox, 5> kLabel4{{{3570, 45, 855, 225},
                                           {60, 2910, 1695, 225},
                                           {1800, 2910, 1695, 225},
                                           {2670, 45, 855, 225},
                                           {3540, 2910, 855, 225}}};
constexpr std::array<TwipsBox, 5> kLabel5{{{3540, 15, 915, 285},
                                           {30, 2880, 1755, 285},
                                           {1770, 2880, 1755, 285},
                                           {2640, 15, 915, 285},
                                           {3510, 2880, 915, 285}}};
constexpr TwipsBox kLabel6Top{0, 0, 4845, 335};
constexpr TwipsBox kLabel6Middle{30, 2850, 4395, 345};

const std::array<QString, 5> kLabelButtonTexts{
    QStringLiteral("OK"), QStringLiteral("   ↑ﾃｷｽﾄに追加"), QStringLiteral("↓ｸﾘｯﾌﾟﾎﾞｰﾄﾞに追加"),
    QStringLiteral("削除"), QStringLiteral("ｸﾘｱ")};

const QString kCreditsLine = QStringLiteral("(C) 2026 Tavro Team");

QRect rectOf(const TwipsBox& box) {
    return twipsRect(box.left, box.top, box.width, box.height);
}

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

QLabel* makeLabel(QWidget* parent, const QString& name, const TwipsBox& box,
                  const QString& text = {}) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(rectOf(box));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setTextFormat(Qt::PlainText);
    label->setMouseTracking(true);
    return label;
}

QPushButton* makeCommandButton(QWidget* parent, const QString& name, const QString& caption,
                               const TwipsBox& box) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setGeometry(rectOf(box));
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

QAction* addEntry(QMenu* menu, const QString& name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    return action;
}

QAction* addSeparator(QMenu* menu, const QString& name) {
    QAction* action = menu->addSeparator();
    action->setObjectName(name);
    return action;
}

}  // namespace

Form1::Form1(Options options)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                           Qt::MSWindowsFixedSizeDialogHint),
      options_(std::move(options)),
      store_(options_.programFolder + QStringLiteral("/Temptext")),
      watcher_([this](const ClipboardChange& change) { ChangeClipBoard(change); }) {
    tavroInitResources();
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(kAppTitle);
    setWindowIcon(tavroProgramIcon());
    setBackground(this, kBlack);
    setFont(tavroPGothicFont(9));
    // The client area as built; start-up gives the window its working size.
    setFixedSize(twipsSize(7095, 6750));
    buildControls();
    buildMenus();
    connectHandlers();
}

Form1::~Form1() = default;

void Form1::buildControls() {
    // Each container's children are created back to front: a later sibling lies in front.
    QFont bold = tavroPGothicFont(9);
    bold.setBold(true);
    Label1 = makeLabel(this, QStringLiteral("Label1"), kLabel1, kCreditsLine);
    Label1->setFont(bold);
    setTextColor(Label1, kOrange);
    Label2 = makeLabel(this, QStringLiteral("Label2"), kLabel2, kCreditsLine);
    Label2->setFont(bold);
    setTextColor(Label2, kWhite);
    Label2->setCursor(Qt::PointingHandCursor);

    Picture1 = new QFrame(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(rectOf(kPicture1));
    Picture1->setFrameShape(QFrame::NoFrame);
    Picture1->setFocusPolicy(Qt::NoFocus);
    Picture1->setMouseTracking(true);
    setBackground(Picture1, kKhaki);

    // Inside the panel, back to front.
    Label6[2] = makeLabel(Picture1, QStringLiteral("Label6_2"), kLabel6Middle);
    setBackground(Label6[2], kBlack);
    for (int i : {4, 3, 2, 1, 0}) {
        // Marker behind face behind text; button 4's text lies further forward (below).
        const auto index = static_cast<size_t>(i);
        Label5[index] = makeLabel(Picture1, QStringLiteral("Label5_%1").arg(i), kLabel5[index]);
        setBackground(Label5[index], kWhite);
        Label4[index] = makeLabel(Picture1, QStringLiteral("Label4_%1").arg(i), kLabel4[index]);
        setBackground(Label4[index], kOlive);
        if (i == 4) {
            Label6[0] = makeLabel(Picture1, QStringLiteral("Label6_0"), kLabel6Top);
            setBackground(Label6[0], kBlack);
            continue;
        }
        Label3[index] = makeLabel(Picture1, QStringLiteral("Label3_%1").arg(i), kLabel3[index],
                                  kLabelButtonTexts[index]);
        setTextColor(Label3[index], kWhite);
    }
    Label7[0] = makeLabel(Picture1, QStringLiteral("Label7_0"), kLabel7[0],
                          QStringLiteral("                   ﾃｷｽﾄ内容"));
    setBackground(Label7[0], kGreyBrown);
    setTextColor(Label7[0], kWhite);
    Label7[1] =
        makeLabel(Picture1, QStringLiteral("Label7_1"), kLabel7[1], QStringLiteral("  更新日付"));
    setBackground(Label7[1], kBlue);
    setTextColor(Label7[1], kWhite);
    Label3[4] = makeLabel(Picture1, QStringLiteral("Label3_4"), kLabel3[4], kLabelButtonTexts[4]);
    setTextColor(Label3[4], kWhite);

    Lsttext = new TextList(Picture1);
    Lsttext->setObjectName(QStringLiteral("Lsttext"));
    Lsttext->setGeometry(rectOf(kLsttext));
    Lsttext->enableDragOut();

    // Directly in the client area, back to front.
    List1 = new TextList(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setGeometry(rectOf(kList1));
    for (TextList* list : {List1, Lsttext}) {
        setBackground(list, kWhite);
        setTextColor(list, kBlack);
        list->setAutoFillBackground(false);
        list->viewport()->setMouseTracking(true);
        list->setMouseTracking(true);
    }

    // The command buttons lie outside the client area: they only carry the keyboard focus.
    cmdok = makeCommandButton(this, QStringLiteral("cmdok"), QStringLiteral("ＯＫ"), kCmdok);
    setBackground(cmdok, kKhaki);
    CmdDeltext = makeCommandButton(this, QStringLiteral("CmdDeltext"), QStringLiteral("↓　削除"),
                                   kCmdDeltext);
    cmdClear =
        makeCommandButton(this, QStringLiteral("cmdClear"), QStringLiteral("クリア"), kCmdClear);
    Cmdaddclip = makeCommandButton(this, QStringLiteral("Cmdaddclip"),
                                   QStringLiteral("↓　ｸﾘｯﾌﾟﾎﾞｰﾄﾞ追加"), kCmdaddclip);
    cmdaddtext = makeCommandButton(this, QStringLiteral("cmdaddtext"),
                                   QStringLiteral("↑　ﾃｷｽﾄ追加"), kCmdaddtext);
    cmddummy = makeCommandButton(this, QStringLiteral("cmddummy"), QStringLiteral("ダ"), kCmddummy);
    setBackground(cmddummy, kGreyBrown);

    // Keyboard order: the five command buttons, the history list, the saved-text list, and
    // the button that parks the focus.
    const std::array<QWidget*, 8> tabOrder{cmdok,    cmdaddtext, Cmdaddclip, CmdDeltext,
                                           cmdClear, List1,      Lsttext,    cmddummy};
    for (size_t i = 0; i + 1 < tabOrder.size(); ++i) {
        setTabOrder(tabOrder[i], tabOrder[i + 1]);
    }
}

void Form1::buildMenus() {
    mnutray = new QMenu(QStringLiteral("コマンド"), this);
    mnutray->setObjectName(QStringLiteral("mnutray"));
    Maintext = addEntry(mnutray, QStringLiteral("Maintext"), QStringLiteral("【ﾃｷｽﾄ履歴】"));
    QAction* savedText0 = addEntry(mnutray, QStringLiteral("T_rireki"), QStringLiteral("ﾃｷｽﾄ履歴"));
    Line2 = addSeparator(mnutray, QStringLiteral("Line2"));
    Mainclip = addEntry(mnutray, QStringLiteral("Mainclip"), QStringLiteral("【ｸﾘｯﾌﾟﾎﾞｰﾄﾞ履歴】"));
    QAction* history0 = addEntry(mnutray, QStringLiteral("Rireki"), QStringLiteral("履歴"));
    mnuline = addSeparator(mnutray, QStringLiteral("mnuline"));
    menuclear = addEntry(mnutray, QStringLiteral("menuclear"), QStringLiteral("履歴ｸﾘｱ"));
    ShoAbout = addEntry(mnutray, QStringLiteral("ShoAbout"), QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    quit = addEntry(mnutray, QStringLiteral("quit"), QStringLiteral("終了"));
    T_rireki = std::make_unique<MenuControlArray>(mnutray, savedText0,
                                                  [this](int index) { T_rireki_Click(index); });
    Rireki = std::make_unique<MenuControlArray>(mnutray, history0,
                                                [this](int index) { Rireki_Click(index); });

    Menutext = new QMenu(QStringLiteral("ﾃｷｽﾄﾒﾆｭｰ"), this);
    Menutext->setObjectName(QStringLiteral("Menutext"));
    Addclip = addEntry(Menutext, QStringLiteral("Addclip"), QStringLiteral("ｸﾘｯﾌﾟﾎﾞｰﾄﾞに追加"));
    Deltext = addEntry(Menutext, QStringLiteral("Deltext"), QStringLiteral("削除"));

    Menuclip = new QMenu(QStringLiteral("ｸﾘｯﾌﾟﾎﾞｰﾄﾞﾒﾆｭｰ"), this);
    Menuclip->setObjectName(QStringLiteral("Menuclip"));
    AddTxt = addEntry(Menuclip, QStringLiteral("AddTxt"), QStringLiteral("ﾃｷｽﾄに追加"));
    Dellist = addEntry(Menuclip, QStringLiteral("Dellist"), QStringLiteral("削除"));

    // The three menus are top-level menus that no menu bar shows; they open as popups.
    for (QMenu* menu : {mnutray, Menutext, Menuclip}) {
        menu->menuAction()->setVisible(false);
    }
}

QPushButton* Form1::commandButton(int index) const {
    switch (index) {
        case 0:
            return cmdok;
        case 1:
            return cmdaddtext;
        case 2:
            return Cmdaddclip;
        case 3:
            return CmdDeltext;
        case 4:
            return cmdClear;
        default:
            return nullptr;
    }
}

void Form1::connectHandlers() {
    connect(Maintext, &QAction::triggered, this, &Form1::Maintext_Click);
    connect(Mainclip, &QAction::triggered, this, &Form1::Mainclip_Click);
    connect(menuclear, &QAction::triggered, this, &Form1::menuclear_Click);
    connect(ShoAbout, &QAction::triggered, this, &Form1::ShoAbout_Click);
    connect(quit, &QAction::triggered, this, &Form1::quit_Click);
    connect(Addclip, &QAction::triggered, this, &Form1::Addclip_Click);
    connect(Deltext, &QAction::triggered, this, &Form1::Deltext_Click);
    connect(AddTxt, &QAction::triggered, this, &Form1::AddTxt_Click);
    connect(Dellist, &QAction::triggered, this, &Form1::Dellist_Click);

    connect(cmdok, &QPushButton::clicked, this, &Form1::cmdOK_Click);
    connect(cmdaddtext, &QPushButton::clicked, this, &Form1::cmdaddtext_Click);
    connect(Cmdaddclip, &QPushButton::clicked, this, &Form1::Cmdaddclip_Click);
    connect(CmdDeltext, &QPushButton::clicked, this, &Form1::CmdDeltext_Click);
    connect(cmdClear, &QPushButton::clicked, this, &Form1::cmdClear_Click);

    connect(List1, &QListWidget::itemDoubleClicked, this, &Form1::List1_DblClick);
    List1->setDropHandler([this](const QMimeData* dropped) { List1_OLEDragDrop(dropped); });
    // The list's click: a line becomes selected, by the pointer or the keys. (Taking the
    // focus makes a line current without selecting it; that is no click.)
    connect(Lsttext, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && Lsttext->listIndex() == row) {
            Lsttext_Click();
        }
    });
    connect(Lsttext, &QListWidget::itemClicked, this, &Form1::Lsttext_Click);

    // Mouse, key and focus events of the labels, lists and buttons go through eventFilter.
    for (int i = 0; i < 5; ++i) {
        const auto index = static_cast<size_t>(i);
        for (QWidget* widget :
             {static_cast<QWidget*>(Label3[index]), static_cast<QWidget*>(Label4[index]),
              static_cast<QWidget*>(Label5[index]), static_cast<QWidget*>(commandButton(i))}) {
            widget->installEventFilter(this);
        }
    }
    for (QWidget* widget : {static_cast<QWidget*>(Label6[0]), static_cast<QWidget*>(Label6[2]),
                            static_cast<QWidget*>(Label7[0]), static_cast<QWidget*>(Label7[1]),
                            static_cast<QWidget*>(Label1), static_cast<QWidget*>(Label2),
                            static_cast<QWidget*>(Picture1), List1->viewport(), Lsttext->viewport(),
                            static_cast<QWidget*>(Lsttext), static_cast<QWidget*>(List1)}) {
        widget->installEventFilter(this);
    }
}

}  // namespace tavro
