#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QCoreApplication>
#include <QFile>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QStringList>
#include <QTest>

#include <cstdlib>
#include <functional>
#include <vector>

#include "ui/about_box.h"
#include "ui/twips.h"

namespace tavro {
namespace {

const QSize kClientSize(316, 135);

void flushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Closes whatever box a test leaves open, so the next test starts with none.
struct BoxCleanup {
    BoxCleanup() = default;
    BoxCleanup(const BoxCleanup&) = delete;
    BoxCleanup& operator=(const BoxCleanup&) = delete;
    ~BoxCleanup() {
        if (AboutBox* box = AboutBox::current()) {
            box->close();
        }
        flushDeletes();
    }
};

int aboutBoxCount() {
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<AboutBox*>(widget) != nullptr) {
            ++count;
        }
    }
    return count;
}

template <typename T = QWidget>
T* child(AboutBox* box, const char* name) {
    return box->findChild<T*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
}

// True when `pixel` is within `steps` of (level, level, 210) in every channel.
bool nearGradient(QRgb pixel, int level, int steps) {
    return std::abs(qRed(pixel) - level) <= steps && std::abs(qGreen(pixel) - level) <= steps &&
           std::abs(qBlue(pixel) - 210) <= steps;
}

TEST(AboutBoxLifetime, OpeningTwiceKeepsOneBoxInFront) {
    BoxCleanup cleanup;
    ASSERT_EQ(AboutBox::current(), nullptr);

    AboutBox* first = AboutBox::openBox();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());
    EXPECT_FALSE(first->isModal());
    EXPECT_EQ(first->parentWidget(), nullptr);
    EXPECT_EQ(AboutBox::current(), first);

    first->hide();
    AboutBox* second = AboutBox::openBox();
    EXPECT_EQ(second, first);
    EXPECT_TRUE(second->isVisible());
    EXPECT_EQ(AboutBox::current(), first);
    EXPECT_EQ(aboutBoxCount(), 1);
}

TEST(AboutBoxLifetime, EveryWayOfClosingDestroysTheBox) {
    struct CloseWay {
        const char* name;
        std::function<void(AboutBox*)> close;
    };
    const std::vector<CloseWay> ways = {
        {"click OK",
         [](AboutBox* box) {
             QTest::mouseClick(child<QPushButton>(box, "cmdOK"), Qt::LeftButton);
         }},
        {"Escape on the box", [](AboutBox* box) { QTest::keyClick(box, Qt::Key_Escape); }},
        {"Return on the box", [](AboutBox* box) { QTest::keyClick(box, Qt::Key_Return); }},
        {"keypad Enter on the box", [](AboutBox* box) { QTest::keyClick(box, Qt::Key_Enter); }},
        {"Escape on OK",
         [](AboutBox* box) { QTest::keyClick(child(box, "cmdOK"), Qt::Key_Escape); }},
        {"Return on OK",
         [](AboutBox* box) { QTest::keyClick(child(box, "cmdOK"), Qt::Key_Return); }},
        {"window close button", [](AboutBox* box) { box->close(); }},
    };
    for (const CloseWay& way : ways) {
        SCOPED_TRACE(way.name);
        BoxCleanup cleanup;
        QPointer<AboutBox> box = AboutBox::openBox();
        ASSERT_FALSE(box.isNull());

        way.close(box);
        // A closed box is gone for openBox() at once, before its deferred deletion.
        EXPECT_EQ(AboutBox::current(), nullptr);
        flushDeletes();
        EXPECT_TRUE(box.isNull());
        EXPECT_EQ(aboutBoxCount(), 0);
    }
}

TEST(AboutBoxLifetime, ReopeningAfterCloseMakesAFreshBoxWithTheSameGradient) {
    BoxCleanup cleanup;
    QPointer<AboutBox> first = AboutBox::openBox();
    const QImage firstBackground = first->backgroundImage();
    first->close();

    AboutBox* second = AboutBox::openBox();
    flushDeletes();
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(AboutBox::current(), second);
    EXPECT_TRUE(second->isVisible());
    EXPECT_EQ(aboutBoxCount(), 1);
    EXPECT_EQ(second->backgroundImage(), firstBackground);
}

TEST(AboutBoxWindow, CaptionFlagsAndFixedClientArea) {
    BoxCleanup cleanup;
    AboutBox* box = AboutBox::openBox();

    EXPECT_EQ(box->windowTitle(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));

    const Qt::WindowFlags flags = box->windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Dialog);
    EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowSystemMenuHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::MSWindowsFixedSizeDialogHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));

    EXPECT_TRUE(box->testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_FALSE(box->testAttribute(Qt::WA_QuitOnClose));

    EXPECT_EQ(box->size(), kClientSize);
    EXPECT_EQ(box->minimumSize(), kClientSize);
    EXPECT_EQ(box->maximumSize(), kClientSize);
    box->resize(500, 300);
    EXPECT_EQ(box->size(), kClientSize);
}

TEST(AboutBoxControls, NamesGeometryAndColours) {
    BoxCleanup cleanup;
    AboutBox* box = AboutBox::openBox();

    struct Expected {
        const char* name;
        QRect twips;
        QColor colour;  // Text colour; invalid for controls without one.
    };
    const QColor white(255, 255, 255);
    const std::vector<Expected> table = {
        {"cmdOK", {3180, 1470, 1305, 345}, QColor()},
        {"Label2_1", {1110, 930, 4635, 405}, white},
        {"Label2_2", {1080, 930, 4635, 405}, QColor(71, 108, 158)},
        {"Image1", {210, 240, 480, 480}, QColor()},
        {"lblTitle", {780, 390, 3885, 285}, white},
        {"Label1_1", {330, 1590, 2535, 315}, QColor(128, 128, 128)},
        {"Label1_0", {360, 1590, 2535, 315}, white},
    };
    for (const Expected& expected : table) {
        SCOPED_TRACE(expected.name);
        QWidget* widget = child(box, expected.name);
        ASSERT_NE(widget, nullptr);
        const QRect& t = expected.twips;
        EXPECT_EQ(widget->geometry(), twipsRect(t.x(), t.y(), t.width(), t.height()));
        if (expected.colour.isValid()) {
            auto* label = qobject_cast<QLabel*>(widget);
            ASSERT_NE(label, nullptr);
            EXPECT_EQ(label->palette().color(QPalette::WindowText), expected.colour);
            EXPECT_FALSE(label->autoFillBackground());
            EXPECT_EQ(label->alignment(), Qt::AlignLeft | Qt::AlignTop);
        }
    }
    EXPECT_EQ(box->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size(),
              qsizetype(table.size()));
}

TEST(AboutBoxControls, StackedWithTheFirstListedInFront) {
    BoxCleanup cleanup;
    AboutBox* box = AboutBox::openBox();

    // Sibling order is back to front.
    QStringList order;
    for (QObject* object : box->children()) {
        if (object->isWidgetType()) {
            order << object->objectName();
        }
    }
    EXPECT_EQ(order, QStringList({"Label1_0", "Label1_1", "lblTitle", "Image1", "Label2_2",
                                  "Label2_1", "cmdOK"}));

    // Where the shadow pairs overlap, the front copy is the one found.
    EXPECT_EQ(box->childAt(100, 70), child(box, "Label2_1"));
    EXPECT_EQ(box->childAt(100, 115), child(box, "Label1_1"));
}

TEST(AboutBoxControls, TextsAndTitleFont) {
    BoxCleanup cleanup;
    AboutBox* box = AboutBox::openBox();

    auto* title = child<QLabel>(box, "lblTitle");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text(),
              QStringLiteral("Tavro!") + QString(30, u' ') + QStringLiteral("Ver 1.0.1"));
    const QStringList faces = {QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                               QStringLiteral("IPAPGothic")};
    EXPECT_EQ(title->font().families(), faces);
    EXPECT_DOUBLE_EQ(title->font().pointSizeF(), 9.75);
    EXPECT_TRUE(title->font().bold());
    EXPECT_TRUE(faces.contains(QFontInfo(title->font()).family()))
        << QFontInfo(title->font()).family().toStdString();

    auto* thanksBack = child<QLabel>(box, "Label1_0");
    auto* thanksFront = child<QLabel>(box, "Label1_1");
    ASSERT_NE(thanksBack, nullptr);
    ASSERT_NE(thanksFront, nullptr);
    EXPECT_TRUE(thanksFront->text().startsWith(QStringLiteral("Special Thanks! ")));
    EXPECT_GT(thanksFront->text().size(), 16);
    EXPECT_EQ(thanksBack->text(), thanksFront->text());
    // Only the title has a font of its own.
    EXPECT_EQ(thanksFront->font(), box->font());

    auto* creditsFront = child<QLabel>(box, "Label2_1");
    auto* creditsBack = child<QLabel>(box, "Label2_2");
    ASSERT_NE(creditsFront, nullptr);
    ASSERT_NE(creditsBack, nullptr);
    const QString credits = creditsFront->text();
    EXPECT_EQ(credits.size(), 99);
    EXPECT_EQ(creditsBack->text(), credits);
    EXPECT_TRUE(credits.contains(QStringLiteral("2026")));
    EXPECT_TRUE(credits.contains(QStringLiteral("tavro.example.org ")));
    EXPECT_TRUE(credits.contains(u'@'));
    EXPECT_TRUE(creditsFront->wordWrap());
    EXPECT_TRUE(creditsBack->wordWrap());
    EXPECT_EQ(creditsFront->font(), box->font());

    // The caption is too wide for one line and wraps to exactly two.
    const QFontMetrics metrics(creditsFront->font());
    EXPECT_GT(metrics.horizontalAdvance(credits), creditsFront->width());
    const QRect wrapped =
        metrics.boundingRect(QRect(0, 0, creditsFront->width(), 1000), Qt::TextWordWrap, credits);
    EXPECT_GT(wrapped.height(), metrics.lineSpacing());
    EXPECT_LE(wrapped.height(), 2 * metrics.lineSpacing());
}

TEST(AboutBoxControls, OnlyOkTakesFocusAndIsTheDefault) {
    BoxCleanup cleanup;
    AboutBox* box = AboutBox::openBox();

    auto* ok = child<QPushButton>(box, "cmdOK");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    EXPECT_TRUE(ok->isDefault());
    EXPECT_NE(ok->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(box->focusWidget(), ok);
    for (QWidget* widget : box->findChildren<QWidget*>()) {
        if (widget != ok) {
            EXPECT_EQ(widget->focusPolicy(), Qt::NoFocus) << widget->objectName().toStdString();
        }
    }
}

TEST(AboutBoxControls, ShowsTheProgramIcon) {
    ASSERT_TRUE(QFile::exists(QStringLiteral(":/tavro.ico")))
        << "the program icon resource is not linked in";
    BoxCleanup cleanup;
    AboutBox* box = AboutBox::openBox();

    EXPECT_FALSE(box->windowIcon().isNull());
    auto* image = child<QLabel>(box, "Image1");
    ASSERT_NE(image, nullptr);
    const QPixmap pixmap = image->pixmap();
    ASSERT_FALSE(pixmap.isNull());
    EXPECT_EQ(pixmap.deviceIndependentSize().toSize(), QSize(32, 32));
}

TEST(AboutBoxGradient, PersistentImageRunsFromBlueToPaleYellow) {
    BoxCleanup cleanup;
    AboutBox* box = AboutBox::openBox();

    const QImage& image = box->backgroundImage();
    const qreal ratio = box->devicePixelRatioF();
    EXPECT_EQ(image.devicePixelRatio(), ratio);
    ASSERT_EQ(image.size(), (QSizeF(kClientSize) * ratio).toSize());
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 210));
    EXPECT_EQ(image.pixel(image.width() - 1, image.height() - 1), qRgb(255, 255, 210));

    int previous = -1;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb left = image.pixel(0, y);
        SCOPED_TRACE(y);
        // Each row is one band colour straight across.
        ASSERT_EQ(image.pixel(image.width() - 1, y), left);
        ASSERT_EQ(image.pixel(image.width() / 2, y), left);
        ASSERT_EQ(qRed(left), qGreen(left));
        ASSERT_EQ(qBlue(left), 210);
        // Going down, the bands only brighten, never skipping more than the rows allow.
        ASSERT_GT(qRed(left), previous);
        ASSERT_LE(qRed(left) - previous, 256 / image.height() + 2);
        previous = qRed(left);
    }

    // Repainting copies the image rather than making a new one.
    const qint64 key = image.cacheKey();
    box->grab();
    box->repaint();
    EXPECT_EQ(box->backgroundImage().cacheKey(), key);
}

TEST(AboutBoxGradient, RenderedBoxShowsTheGradientThroughItsLabels) {
    BoxCleanup cleanup;
    AboutBox* box = AboutBox::openBox();
    const QImage shot = box->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    const int width = shot.width();
    const int height = shot.height();

    for (int x = 0; x < width; ++x) {
        ASSERT_TRUE(nearGradient(shot.pixel(x, 0), 0, 3)) << "top row, x " << x;
        ASSERT_TRUE(nearGradient(shot.pixel(x, height - 1), 255, 3)) << "bottom row, x " << x;
    }

    // Down the left margin, which no control covers, the colour only brightens.
    int previous = -1;
    for (int y = 0; y < height; ++y) {
        const QRgb pixel = shot.pixel(4, y);
        ASSERT_GE(qRed(pixel), previous) << "row " << y;
        ASSERT_TRUE(nearGradient(pixel, qRed(pixel), 1)) << "row " << y;
        previous = qRed(pixel);
    }
    EXPECT_GT(qRed(shot.pixel(4, height / 2)), 64);
    EXPECT_LT(qRed(shot.pixel(4, height / 2)), 192);

    // Blank parts of the labels let the background show (the title's between the name and
    // the version, the credits' after the mail address, which the P-Gothic faces of both
    // platforms leave blank).
    const QImage& background = box->backgroundImage();
    const qreal ratio = shot.devicePixelRatio();
    for (const QPoint point : {QPoint(150, 28), QPoint(305, 82), QPoint(185, 126)}) {
        const QPoint device = (QPointF(point) * ratio).toPoint();
        EXPECT_TRUE(nearGradient(shot.pixel(device), qRed(background.pixel(device)), 3))
            << point.x() << "," << point.y();
    }
}

TEST(AboutBoxGradient, BandsCoverEveryRowAtAnyPixelRatio) {
    // Twice the pixels: more rows than bands, so every band shows.
    const QImage sharp = AboutBox::paintGradient(kClientSize, 2.0);
    ASSERT_EQ(sharp.size(), QSize(632, 270));
    EXPECT_EQ(sharp.devicePixelRatio(), 2.0);
    for (int band = 0; band < 256; ++band) {
        const int top = band * 270 / 256;
        const int bottom = (band + 1) * 270 / 256;
        ASSERT_LT(top, bottom) << "band " << band;
        for (int y = top; y < bottom; ++y) {
            ASSERT_EQ(sharp.pixel(0, y), qRgb(band, band, 210)) << "band " << band;
            ASSERT_EQ(sharp.pixel(631, y), qRgb(band, band, 210)) << "band " << band;
        }
    }
    EXPECT_EQ(sharp.pixel(0, 0), qRgb(0, 0, 210));
    EXPECT_EQ(sharp.pixel(631, 269), qRgb(255, 255, 210));

    // A single row keeps the top colour.
    const QImage thin = AboutBox::paintGradient(QSize(5, 1), 1.0);
    ASSERT_EQ(thin.size(), QSize(5, 1));
    EXPECT_EQ(thin.pixel(4, 0), qRgb(0, 0, 210));
}

}  // namespace
}  // namespace tavro
