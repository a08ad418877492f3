#include "ui/about_box.h"

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <QRgb>
#include <QString>

#include <algorithm>

#include "ui/resources.h"
#include "ui/twips.h"

namespace tavro {

namespace {

AboutBox* g_current = nullptr;

// Client area in twips.
constexpr int kClientWidth = 4740;
constexpr int kClientHeight = 2025;

// The gradient runs through this many bands, band i coloured (i, i, 210).
constexpr int kBands = 256;
constexpr int kGradientBlue = 210;

// Year and author, then web and mail address. The long run of spaces sends the addresses
// to the second line when the label wraps, where both fit the visible part of the box.
constexpr char kCredits[] =
    "2026  Tavro Team"
    "                                              "
    "tavro.example.org   tavro@example.org";
static_assert(sizeof(kCredits) - 1 == 99, "the credits caption is 99 characters");

constexpr char kThanks[] = "Special Thanks! Mika Ishida";

QString titleText() {
    return QStringLiteral("Tavro!") + QString(30, u' ') + QStringLiteral("Ver 1.0.1");
}

// A transparent, left/top aligned plain-text label in twips coordinates.
QLabel* addLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry,
                 const QColor& colour) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setAutoFillBackground(false);
    label->setFocusPolicy(Qt::NoFocus);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->setGeometry(geometry);
    return label;
}

}  // namespace

AboutBox* AboutBox::openBox() {
    if (g_current == nullptr) {
        g_current = new AboutBox;
    }
    AboutBox* box = g_current;
    box->setWindowState(box->windowState() & ~Qt::WindowMinimized);
    box->show();
    box->raise();
    box->activateWindow();
    return box;
}

AboutBox* AboutBox::current() {
    return g_current;
}

// Qt::Dialog rather than Qt::Tool: a parentless dialog is still marked transient (for the
// application's client leader) on X11, which window managers keep off the taskbar, while
// Qt::Tool would give it a utility frame with a smaller title bar. Qt has no portable
// skip-taskbar flag of its own.
AboutBox::AboutBox()
    : QDialog(nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setAttribute(Qt::WA_DeleteOnClose);
    // Closing the box must not end the program while its main window sits in the tray.
    setAttribute(Qt::WA_QuitOnClose, false);
    // paintEvent covers every pixel with the background.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setModal(false);
    setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    const QIcon icon = programIcon();
    setWindowIcon(icon);
    setFixedSize(twipsSize(kClientWidth, kClientHeight));
    // The labels without a font of their own take the window's default font.
    setFont(pGothicFont(9));

    const QColor white(255, 255, 255);
    const QColor blue(71, 108, 158);
    const QColor grey(128, 128, 128);
    const QString credits = QString::fromLatin1(kCredits);
    const QString thanks = QString::fromLatin1(kThanks);

    // Made back to front: each later sibling is stacked above the earlier ones.
    addLabel(this, "Label1_0", thanks, twipsRect(360, 1590, 2535, 315), white);
    addLabel(this, "Label1_1", thanks, twipsRect(330, 1590, 2535, 315), grey);

    QLabel* title = addLabel(this, "lblTitle", titleText(), twipsRect(780, 390, 3885, 285), white);
    QFont titleFont = pGothicFont(9.75);
    titleFont.setBold(true);
    title->setFont(titleFont);

    auto* image = new QLabel(this);
    image->setObjectName(QStringLiteral("Image1"));
    image->setGeometry(twipsRect(210, 240, 480, 480));
    image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    image->setFocusPolicy(Qt::NoFocus);
    image->setPixmap(icon.pixmap(image->size(), devicePixelRatioF()));

    addLabel(this, "Label2_2", credits, twipsRect(1080, 930, 4635, 405), blue)->setWordWrap(true);
    addLabel(this, "Label2_1", credits, twipsRect(1110, 930, 4635, 405), white)->setWordWrap(true);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setGeometry(twipsRect(3180, 1470, 1305, 345));
    ok->setDefault(true);
    ok->setFocus();
    // QDialog already clicks the default button on Enter and rejects on Escape; both end in
    // done(), which closes, and so deletes, the box.
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    // A closed box only waits for deletion; the next openBox() must make a fresh one.
    connect(this, &QDialog::finished, this, [this] {
        if (g_current == this) {
            g_current = nullptr;
        }
    });

    background_ = paintGradient(size(), devicePixelRatioF());
}

AboutBox::~AboutBox() {
    if (g_current == this) {
        g_current = nullptr;
    }
}

QImage AboutBox::paintGradient(QSize size, qreal devicePixelRatio) {
    const int width = qRound(size.width() * devicePixelRatio);
    const int height = qRound(size.height() * devicePixelRatio);
    QImage image(width, height, QImage::Format_RGB32);
    // Band i covers rows [i*h/256, (i+1)*h/256). With fewer rows than bands some of those
    // ranges are empty; each band still gets at least one row, and the bands are laid from
    // the bottom up so a row shared by several keeps the uppermost. That leaves band 0 on
    // the first row and band 255 on the last.
    for (int band = kBands - 1; band >= 0; --band) {
        const int top = band * height / kBands;
        const int bottom = std::min(height, std::max(top + 1, (band + 1) * height / kBands));
        const QRgb colour = qRgb(band, band, kGradientBlue);
        for (int y = top; y < bottom; ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            std::fill(row, row + width, colour);
        }
    }
    image.setDevicePixelRatio(devicePixelRatio);
    return image;
}

void AboutBox::paintEvent(QPaintEvent* /*event*/) {
    // Moving to a screen of another pixel ratio is the one case that needs a new image.
    if (!qFuzzyCompare(background_.devicePixelRatio(), devicePixelRatioF())) {
        background_ = paintGradient(size(), devicePixelRatioF());
    }
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), background_);
}

}  // namespace tavro
