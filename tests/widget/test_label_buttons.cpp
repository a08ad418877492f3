// The label buttons: pointing at one arms it (its command button takes the focus and its
// marker shows), pressing borders its face, a click runs its command only while armed, and
// pointing at a bar, the panel or a list disarms every button. Real pointer and key events
// are used wherever the offscreen platform delivers them.
#include <QCursor>
#include <QMouseEvent>

#include "app_fixture.h"
#include "platform/tray_icon.h"
#include "ui/about_box.h"

using tavro::LabelButton;

namespace {
const char* const kNames[] = {"ok", "saveEntry", "recallText", "deleteText", "clearHistory"};
}  // namespace

class LabelButtonsTest : public AppTest {
  protected:
    void TearDown() override {
        // Park the pointer where no window is, so no later window appears under it.
        QCursor::setPos(QPoint(0, 0));
        if (tavro::AboutBox* box = tavro::AboutBox::current()) {
            box->close();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        AppTest::TearDown();
    }

    // A label button's caption or face, by the button's name ("ok", "saveEntry", ...).
    QLabel* caption(const QString& name) const { return label(name + QStringLiteral("Caption")); }
    QLabel* face(const QString& name) const { return label(name + QStringLiteral("Face")); }
    // A point on a face that its caption does not cover.
    static QPoint facePoint() { return QPoint(2, 2); }

    void pointAtCaption(const QString& name) const { QTest::mouseMove(caption(name)); }
    void pointAtFace(const QString& name) const { QTest::mouseMove(face(name), facePoint()); }
    void clickCaption(const QString& name) const {
        QTest::mouseClick(caption(name), Qt::LeftButton);
    }
    void clickFace(const QString& name) const {
        QTest::mouseClick(face(name), Qt::LeftButton, {}, facePoint());
    }
    // Whether a face is drawn with a border, as a pressed button is.
    bool bordered(const QString& name) const { return face(name)->frameWidth() > 0; }

    static QString focused() {
        return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
    }
    void focus(const QString& name) const { control(name)->setFocus(); }

    // Another program's window comes to the front.
    void activateOtherWindow(QWidget& other) const {
        other.setGeometry(720, 10, 50, 50);
        other.show();
        other.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
        ASSERT_FALSE(window().isActiveWindow());
    }
};

TEST_F(LabelButtonsTest, TabWalksTheButtonsAndListsSkippingDisabledOnesAndMovesTheMarker) {
    startApp();
    showActive();
    // Each step: the control with the focus, then the markers shown.
    const auto walk = [this](Qt::Key key, int steps) {
        QStringList seen;
        for (int step = 0; step < steps; ++step) {
            QTest::keyClick(QApplication::focusWidget(), key);
            seen.append(focused() + QLatin1Char('/') + shownMarkers().join(QLatin1Char(',')));
        }
        return seen;
    };
    ASSERT_EQ(focused(), "okButton");
    EXPECT_EQ(shownMarkers(), QStringList{"ok"});
    // The disabled saved-text buttons are skipped; the lists and the parking button show none.
    EXPECT_EQ(walk(Qt::Key_Tab, 7),
              (QStringList{"saveEntryButton/saveEntry", "clearHistoryButton/clearHistory",
                           "historyList/", "savedTextList/", "focusParkButton/", "okButton/ok",
                           "saveEntryButton/saveEntry"}));

    window().setSavedTextActionsEnabled(true);
    focus("okButton");
    EXPECT_EQ(walk(Qt::Key_Tab, 5),
              (QStringList{"saveEntryButton/saveEntry", "recallTextButton/recallText",
                           "deleteTextButton/deleteText", "clearHistoryButton/clearHistory",
                           "historyList/"}));
    EXPECT_EQ(
        walk(Qt::Key_Backtab, 5),
        (QStringList{"clearHistoryButton/clearHistory", "deleteTextButton/deleteText",
                     "recallTextButton/recallText", "saveEntryButton/saveEntry", "okButton/ok"}));
    // The window shows exactly the marker it is told to, or none.
    for (size_t i = 0; i < tavro::kLabelButtons.size(); ++i) {
        window().showMarker(tavro::kLabelButtons[i]);
        EXPECT_EQ(shownMarkers(), QStringList{kNames[i]});
    }
    window().showMarker(std::nullopt);
    EXPECT_TRUE(shownMarkers().isEmpty());
}

TEST_F(LabelButtonsTest, PointingArmsTheButtonUnderThePointerAndBarsPanelAndListsDisarm) {
    startApp();
    showActive();
    copyText(QStringLiteral("entry"));
    focus("focusParkButton");
    ASSERT_TRUE(shownMarkers().isEmpty());

    pointAtCaption("ok");
    EXPECT_EQ(focused(), "okButton");
    EXPECT_EQ(shownMarkers(), QStringList{"ok"});
    // Moving on within the same button changes nothing.
    pointAtFace("ok");
    EXPECT_EQ(focused(), "okButton");
    EXPECT_EQ(shownMarkers(), QStringList{"ok"});
    pointAtFace("clearHistory");
    EXPECT_EQ(focused(), "clearHistoryButton");
    EXPECT_EQ(shownMarkers(), QStringList{"clearHistory"});

    // The black bars, the panel and the lists disarm every button.
    const std::pair<QWidget*, QPoint> areas[] = {
        {control("topBar"), QPoint(20, 10)},           {control("middleBar"), QPoint(100, 0)},
        {control("textPanel"), QPoint(2, 380)},        {historyList()->viewport(), QPoint(10, 40)},
        {savedTextList()->viewport(), QPoint(10, 40)},
    };
    for (const auto& [area, point] : areas) {
        pointAtCaption("saveEntry");
        ASSERT_EQ(shownMarkers(), QStringList{"saveEntry"});
        QTest::mouseMove(area, point);
        EXPECT_EQ(focused(), "focusParkButton") << area->objectName().toStdString();
        EXPECT_TRUE(shownMarkers().isEmpty()) << area->objectName().toStdString();
    }
    // A list with the focus loses it, but keeps its selected line.
    historyList()->setSelectedRow(0);
    historyList()->setFocus();
    QTest::mouseMove(historyList()->viewport(), QPoint(20, 30));
    EXPECT_EQ(focused(), "focusParkButton");
    EXPECT_EQ(window().selectedHistoryRow(), 0);
}

TEST_F(LabelButtonsTest, PointingAtADisabledButtonDisarmsEverything) {
    startApp();
    showActive();
    ASSERT_FALSE(button("recallTextButton")->isEnabled());
    for (const char* name : {"recallText", "deleteText"}) {
        pointAtCaption("ok");
        ASSERT_EQ(shownMarkers(), QStringList{"ok"});
        pointAtCaption(name);
        EXPECT_EQ(focused(), "focusParkButton") << name;
        EXPECT_TRUE(shownMarkers().isEmpty()) << name;
        pointAtCaption("clearHistory");
        pointAtFace(name);
        EXPECT_EQ(focused(), "focusParkButton") << name;
        EXPECT_TRUE(shownMarkers().isEmpty()) << name;
    }

    // Once the commands are available the same buttons arm.
    window().setSavedTextActionsEnabled(true);
    pointAtCaption("recallText");
    EXPECT_EQ(focused(), "recallTextButton");
    EXPECT_EQ(shownMarkers(), QStringList{"recallText"});
    pointAtFace("deleteText");
    EXPECT_EQ(focused(), "deleteTextButton");
    EXPECT_EQ(shownMarkers(), QStringList{"deleteText"});
}

TEST_F(LabelButtonsTest, WhileAnotherWindowIsInFrontPointingChangesNothing) {
    startApp();
    showActive();
    copyText(QStringLiteral("kept"));
    pointAtCaption("clearHistory");
    ASSERT_EQ(shownMarkers(), QStringList{"clearHistory"});

    QWidget other;
    activateOtherWindow(other);
    // The marker of the button that had the focus stays, over buttons, bars and lists.
    EXPECT_EQ(shownMarkers(), QStringList{"clearHistory"});
    for (const char* name : kNames) {
        pointAtCaption(name);
        pointAtFace(name);
        EXPECT_EQ(shownMarkers(), QStringList{"clearHistory"}) << name;
        EXPECT_EQ(window().focusWidget()->objectName(), "clearHistoryButton") << name;
    }
    QTest::mouseMove(control("topBar"), QPoint(20, 10));
    QTest::mouseMove(historyList()->viewport(), QPoint(10, 40));
    EXPECT_EQ(shownMarkers(), QStringList{"clearHistory"});
    EXPECT_EQ(window().focusWidget()->objectName(), "clearHistoryButton");

    // Pressing still borders a face, whatever the markers.
    QTest::mousePress(caption("saveEntry"), Qt::LeftButton);
    EXPECT_TRUE(bordered("saveEntry"));
    QTest::mouseRelease(caption("saveEntry"), Qt::LeftButton, {}, QPoint(-20, -20));
    EXPECT_FALSE(bordered("saveEntry"));

    // A click acts only on the button whose marker was already shown.
    clickFace("ok");
    EXPECT_TRUE(window().isVisible());
    clickFace("clearHistory");
    EXPECT_EQ(count(historyList()), 0);
}

TEST_F(LabelButtonsTest, LeftPressBordersAnAvailableFaceAndReleaseAnywhereRemovesIt) {
    startApp();
    showActive();
    copyText(QStringLiteral("kept"));
    for (const bool available : {false, true}) {
        window().setSavedTextActionsEnabled(available);
        for (const char* name : kNames) {
            // The saved-text buttons look pressed only while their commands are available.
            const bool pressable =
                available || (qstrcmp(name, "recallText") != 0 && qstrcmp(name, "deleteText") != 0);
            EXPECT_FALSE(bordered(name)) << name;
            pointAtCaption(name);
            for (QLabel* part : {caption(name), face(name)}) {
                QTest::mousePress(part, Qt::LeftButton, {}, facePoint());
                EXPECT_EQ(bordered(name), pressable) << name;
                // Released away from the button: the border goes, and nothing is clicked.
                QTest::mouseRelease(part, Qt::LeftButton, {}, QPoint(-40, -40));
                EXPECT_FALSE(bordered(name)) << name;
            }
            QTest::mousePress(caption(name), Qt::RightButton);
            EXPECT_FALSE(bordered(name)) << name;
            QTest::mouseRelease(caption(name), Qt::RightButton);
        }
    }
    // The armed buttons were never clicked: the window is shown, the history kept.
    EXPECT_TRUE(window().isVisible());
    EXPECT_EQ(count(historyList()), 1);
}

TEST_F(LabelButtonsTest, ClickRunsTheCommandOnlyWhileItsMarkerIsShown) {
    writeSaved(QStringLiteral("980101000001.TXT"), QByteArrayLiteral("one"));
    writeSaved(QStringLiteral("980101000002.TXT"), QByteArrayLiteral("two"));
    startApp();
    showActive();
    copyText(QStringLiteral("first"));
    copyText(QStringLiteral("second"));

    // Markers hidden: neither the face nor the caption of "ｸﾘｱ" clears.
    window().showMarker(std::nullopt);
    clickFace("clearHistory");
    clickCaption("clearHistory");
    EXPECT_EQ(count(historyList()), 2);
    // Nor does "OK" hide the window.
    clickCaption("ok");
    EXPECT_TRUE(window().isVisible());

    // "↑ﾃｷｽﾄに追加": saves the selected history entry.
    historyList()->setSelectedRow(1);
    pointAtCaption("saveEntry");
    clickCaption("saveEntry");
    EXPECT_EQ(savedBytes(QStringLiteral("980828153012.TXT")), QByteArrayLiteral("first"));
    EXPECT_EQ(count(savedTextList()), 3);

    // "↓ｸﾘｯﾌﾟﾎﾞｰﾄﾞに追加": while unavailable a click does nothing.
    clickCaption("recallText");
    EXPECT_EQ(clipboardText(), QStringLiteral("second"));
    // Available but not armed: a click on its caption does nothing either.
    savedTextList()->setSelectedRow(1);
    ASSERT_TRUE(button("recallTextButton")->isEnabled());
    ASSERT_EQ(shownMarkers(), QStringList{"saveEntry"});
    clickCaption("recallText");
    EXPECT_EQ(clipboardText(), QStringLiteral("second"));
    EXPECT_EQ(window().selectedSavedTextRow(), 1);
    // Available, armed by the pointer: recalls the selected text and resets the commands.
    pointAtCaption("recallText");
    ASSERT_EQ(shownMarkers(), QStringList{"recallText"});
    clickFace("recallText");
    EXPECT_EQ(clipboardText(), QStringLiteral("two"));
    EXPECT_FALSE(button("recallTextButton")->isEnabled());
    EXPECT_EQ(focused(), "okButton");
    EXPECT_EQ(shownMarkers(), QStringList{"ok"});

    // "削除": deletes the selected text.
    savedTextList()->setSelectedRow(0);
    pointAtFace("deleteText");
    ASSERT_EQ(shownMarkers(), QStringList{"deleteText"});
    clickFace("deleteText");
    EXPECT_FALSE(QFile::exists(savedPath(QStringLiteral("980101000001.TXT"))));
    EXPECT_EQ(count(savedTextList()), 2);

    // "ｸﾘｱ" armed: clears.
    pointAtFace("clearHistory");
    clickFace("clearHistory");
    EXPECT_EQ(count(historyList()), 0);

    // "OK" armed: hides the window and makes the saved-text commands unavailable.
    window().setSavedTextActionsEnabled(true);
    pointAtCaption("ok");
    clickCaption("ok");
    EXPECT_TRUE(window().isHidden());
    EXPECT_FALSE(button("recallTextButton")->isEnabled());
    EXPECT_FALSE(button("deleteTextButton")->isEnabled());
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(LabelButtonsTest, OkButtonActsOnlyWithItsMarkerAndTheWindowShowsAgainWithoutASelection) {
    writeSaved(QStringLiteral("980101000001.TXT"), QByteArrayLiteral("one"));
    startApp();
    showActive();
    savedTextList()->setSelectedRow(0);
    ASSERT_TRUE(button("recallTextButton")->isEnabled());
    window().showMarker(LabelButton::ClearHistory);
    press(QStringLiteral("okButton"));
    EXPECT_TRUE(window().isVisible());
    EXPECT_TRUE(button("recallTextButton")->isEnabled());
    EXPECT_TRUE(button("deleteTextButton")->isEnabled());

    window().showMarker(LabelButton::Ok);
    press(QStringLiteral("okButton"));
    EXPECT_TRUE(window().isHidden());
    EXPECT_FALSE(button("recallTextButton")->isEnabled());
    EXPECT_FALSE(button("deleteTextButton")->isEnabled());
    // Shown again from the tray, the window draws what works: no text selected and the two
    // saved-text buttons in silver, so pointing at them arms nothing.
    emit app->trayIcon()->leftButtonDown();
    ASSERT_TRUE(window().isVisible());
    EXPECT_EQ(window().selectedSavedTextRow(), -1);
    for (const char* name : {"recallText", "deleteText"}) {
        EXPECT_EQ(caption(name)->palette().color(QPalette::WindowText), QColor(192, 192, 192))
            << name;
    }
}

TEST_F(LabelButtonsTest, DoubleClickActsOnceAndLooksPressedWhileHeld) {
    startApp();
    showActive();
    copyText(QStringLiteral("entry"));
    historyList()->setSelectedRow(0);
    // What the window system delivers for a double click: press, release, then a press that
    // is also reported as a double click, and its release.
    QLabel* text = caption("saveEntry");
    const QPoint at = text->rect().center();
    const auto send = [&](QEvent::Type type) {
        QMouseEvent event(type, at, text->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(text, &event);
    };
    pointAtCaption("saveEntry");
    ASSERT_EQ(shownMarkers(), QStringList{"saveEntry"});
    send(QEvent::MouseButtonPress);
    send(QEvent::MouseButtonRelease);
    send(QEvent::MouseButtonPress);
    send(QEvent::MouseButtonDblClick);
    EXPECT_TRUE(bordered("saveEntry"));
    send(QEvent::MouseButtonRelease);
    EXPECT_FALSE(bordered("saveEntry"));
    EXPECT_EQ(savedNames(), QStringList{QStringLiteral("980828153012.TXT")});
    EXPECT_EQ(count(savedTextList()), 1);
}

TEST_F(LabelButtonsTest, KeysOnAnArmedCommandButtonRunItsCommand) {
    startApp();
    showActive();
    copyText(QStringLiteral("a"));
    focus("clearHistoryButton");
    ASSERT_EQ(shownMarkers(), QStringList{"clearHistory"});
    QTest::keyClick(button("clearHistoryButton"), Qt::Key_Return);
    EXPECT_EQ(count(historyList()), 0);

    copyText(QStringLiteral("b"));
    focus("saveEntryButton");
    historyList()->setSelectedRow(0);
    ASSERT_EQ(shownMarkers(), QStringList{"saveEntry"});
    QTest::keyClick(button("saveEntryButton"), Qt::Key_Space);
    EXPECT_EQ(savedBytes(QStringLiteral("980828153012.TXT")), QByteArrayLiteral("b"));
    // The save leaves the focus where it was.
    EXPECT_EQ(focused(), "saveEntryButton");

    focus("okButton");
    QTest::keyClick(button("okButton"), Qt::Key_Enter);
    EXPECT_TRUE(window().isHidden());
}

TEST_F(LabelButtonsTest, CreditsLineOpensTheAboutBox) {
    startApp();
    showActive();
    ASSERT_EQ(tavro::AboutBox::current(), nullptr);
    // A press alone, or a release outside the line, opens nothing.
    QTest::mousePress(label("creditsLabel"), Qt::LeftButton);
    QTest::mouseRelease(label("creditsLabel"), Qt::LeftButton, {}, QPoint(-10, -10));
    EXPECT_EQ(tavro::AboutBox::current(), nullptr);
    QTest::mouseClick(label("creditsLabel"), Qt::LeftButton);
    ASSERT_NE(tavro::AboutBox::current(), nullptr);
    EXPECT_TRUE(tavro::AboutBox::current()->isVisible());
}
