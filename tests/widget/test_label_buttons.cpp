// The label buttons: pointing at one arms it (its command button takes the focus and its
// marker shows), pressing borders its face, a click runs its command only while armed, and
// pointing elsewhere disarms every button. Real pointer and key events are used wherever the
// offscreen platform delivers them.
#include <QCursor>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include "form1_fixture.h"
#include "ui/about_box.h"

class LabelButtonsTest : public Form1Test {
  protected:
    void TearDown() override {
        // Park the pointer where no window is, so no later window appears under it.
        QCursor::setPos(QPoint(0, 0));
        if (tavro::AboutBox* box = tavro::AboutBox::current()) {
            box->close();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Form1Test::TearDown();
    }

    // A point on face i that its text does not cover.
    static QPoint facePoint() { return QPoint(2, 2); }

    void pointAtText(int i) { QTest::mouseMove(form->Label3[static_cast<size_t>(i)]); }
    void pointAtFace(int i) { QTest::mouseMove(form->Label4[static_cast<size_t>(i)], facePoint()); }

    // Whether face i is drawn with a border, as a pressed button is.
    bool bordered(int i) const { return form->Label4[static_cast<size_t>(i)]->frameWidth() > 0; }

    QWidget* focused() const { return QApplication::focusWidget(); }

    // Another program's window comes to the front.
    void activateOtherWindow(QWidget& other) {
        other.setGeometry(720, 10, 50, 50);
        other.show();
        other.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
        ASSERT_FALSE(form->isActiveWindow());
    }
};

TEST_F(LabelButtonsTest, FocusClearShowsExactlyTheNamedMarkerOrNone) {
    makeForm();
    for (int n = 0; n < 5; ++n) {
        form->Focus_clear(n);
        EXPECT_EQ(shownMarkers(), QList<int>{n}) << n;
    }
    for (int n : {5, 6, -1}) {
        form->Focus_clear(2);
        form->Focus_clear(n);
        EXPECT_TRUE(shownMarkers().isEmpty()) << n;
    }
}

TEST_F(LabelButtonsTest, TabMovesTheMarkerFromButtonToButton) {
    tavro::Form1& f = makeForm();
    showActive();
    const auto walk = [&](Qt::Key key, int steps) {
        QList<QList<int>> seen;
        for (int step = 0; step < steps; ++step) {
            QTest::keyClick(focused(), key);
            seen.append(shownMarkers());
            EXPECT_LE(seen.last().size(), 1);
        }
        return seen;
    };
    ASSERT_EQ(focused(), f.cmdok);
    EXPECT_EQ(shownMarkers(), QList<int>{0});
    // The disabled buttons 2 and 3 are skipped; the lists and the parking button show none.
    EXPECT_EQ(walk(Qt::Key_Tab, 6), (QList<QList<int>>{{1}, {4}, {}, {}, {}, {0}}));

    f.TextAct(1);
    EXPECT_EQ(walk(Qt::Key_Tab, 5), (QList<QList<int>>{{1}, {2}, {3}, {4}, {}}));
    EXPECT_EQ(walk(Qt::Key_Backtab, 5), (QList<QList<int>>{{4}, {3}, {2}, {1}, {0}}));
}

TEST_F(LabelButtonsTest, PointingArmsTheButtonUnderThePointer) {
    tavro::Form1& f = makeForm();
    showActive();
    copyText(QStringLiteral("entry"));
    f.cmddummy->setFocus();
    ASSERT_TRUE(shownMarkers().isEmpty());

    pointAtText(0);
    EXPECT_EQ(focused(), f.cmdok);
    EXPECT_EQ(shownMarkers(), QList<int>{0});
    // Moving on within the same button changes nothing.
    pointAtFace(0);
    EXPECT_EQ(focused(), f.cmdok);
    EXPECT_EQ(shownMarkers(), QList<int>{0});

    pointAtFace(4);
    EXPECT_EQ(focused(), f.cmdClear);
    EXPECT_EQ(shownMarkers(), QList<int>{4});
    pointAtText(1);
    EXPECT_EQ(focused(), f.cmdaddtext);
    EXPECT_EQ(shownMarkers(), QList<int>{1});

    // The black bar disarms every button.
    QTest::mouseMove(f.Label6[0], QPoint(20, 10));
    EXPECT_EQ(focused(), f.cmddummy);
    EXPECT_TRUE(shownMarkers().isEmpty());

    // So does the history list, which loses the focus but keeps its selected line.
    f.List1->setListIndex(0);
    f.List1->setFocus();
    pointAtText(4);
    ASSERT_EQ(shownMarkers(), QList<int>{4});
    f.List1->setFocus();
    QTest::mouseMove(f.List1->viewport(), QPoint(10, 40));
    EXPECT_EQ(focused(), f.cmddummy);
    EXPECT_TRUE(shownMarkers().isEmpty());
    EXPECT_EQ(f.List1->listIndex(), 0);
}

TEST_F(LabelButtonsTest, PointingAtADisabledButtonDisarmsEverything) {
    tavro::Form1& f = makeForm();
    showActive();
    ASSERT_FALSE(f.Cmdaddclip->isEnabled());
    for (int i : {2, 3}) {
        pointAtText(0);
        ASSERT_EQ(shownMarkers(), QList<int>{0});
        pointAtText(i);
        EXPECT_EQ(focused(), f.cmddummy) << i;
        EXPECT_TRUE(shownMarkers().isEmpty()) << i;
        pointAtText(4);
        pointAtFace(i);
        EXPECT_EQ(focused(), f.cmddummy) << i;
        EXPECT_TRUE(shownMarkers().isEmpty()) << i;
    }

    // Once the commands are available the same buttons arm.
    f.TextAct(1);
    pointAtText(2);
    EXPECT_EQ(focused(), f.Cmdaddclip);
    EXPECT_EQ(shownMarkers(), QList<int>{2});
    pointAtFace(3);
    EXPECT_EQ(focused(), f.CmdDeltext);
    EXPECT_EQ(shownMarkers(), QList<int>{3});
}

TEST_F(LabelButtonsTest, WhileAnotherWindowIsInFrontPointingChangesNothing) {
    tavro::Form1& f = makeForm();
    showActive();
    copyText(QStringLiteral("kept"));
    pointAtText(4);
    ASSERT_EQ(shownMarkers(), QList<int>{4});

    QWidget other;
    activateOtherWindow(other);
    // The marker of the button that had the focus stays.
    EXPECT_EQ(shownMarkers(), QList<int>{4});
    for (int i = 0; i < 5; ++i) {
        pointAtText(i);
        pointAtFace(i);
        EXPECT_EQ(shownMarkers(), QList<int>{4}) << i;
        EXPECT_EQ(f.focusWidget(), f.cmdClear) << i;
    }
    QTest::mouseMove(f.Label6[0], QPoint(20, 10));
    f.ActiveWin();
    EXPECT_EQ(shownMarkers(), QList<int>{4});

    // Pressing still borders a face, whatever the markers.
    QTest::mousePress(f.Label3[1], Qt::LeftButton);
    EXPECT_TRUE(bordered(1));
    QTest::mouseRelease(f.Label3[1], Qt::LeftButton, {}, QPoint(-20, -20));
    EXPECT_FALSE(bordered(1));

    // A click acts only on the button whose marker was already shown.
    QTest::mouseClick(f.Label4[0], Qt::LeftButton, {}, facePoint());
    EXPECT_TRUE(f.isVisible());
    QTest::mouseClick(f.Label4[4], Qt::LeftButton, {}, facePoint());
    EXPECT_EQ(f.List1->count(), 0);
}

TEST_F(LabelButtonsTest, LeftPressBordersAnEnabledFaceAndReleaseAnywhereRemovesIt) {
    tavro::Form1& f = makeForm();
    showActive();
    copyText(QStringLiteral("kept"));
    for (int i = 0; i < 5; ++i) {
        EXPECT_FALSE(bordered(i)) << i;
    }
    for (int i : {0, 1, 4}) {
        pointAtText(i);
        for (QLabel* label : {f.Label3[static_cast<size_t>(i)], f.Label4[static_cast<size_t>(i)]}) {
            const QPoint inside =
                label == f.Label4[static_cast<size_t>(i)] ? facePoint() : QPoint();
            QTest::mousePress(label, Qt::LeftButton, {}, inside);
            EXPECT_TRUE(bordered(i)) << i;
            // Released away from the button: the border goes, and nothing is clicked.
            QTest::mouseRelease(label, Qt::LeftButton, {}, QPoint(-40, -40));
            EXPECT_FALSE(bordered(i)) << i;
        }
        QTest::mousePress(f.Label3[static_cast<size_t>(i)], Qt::RightButton);
        EXPECT_FALSE(bordered(i)) << i;
        QTest::mouseRelease(f.Label3[static_cast<size_t>(i)], Qt::RightButton);
    }
    // The armed buttons were never clicked: the window is shown, the history kept.
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.List1->count(), 1);

    // Buttons 2 and 3 look pressed only while their commands are available.
    for (int i : {2, 3}) {
        QTest::mousePress(f.Label3[static_cast<size_t>(i)], Qt::LeftButton);
        EXPECT_FALSE(bordered(i)) << i;
        QTest::mouseRelease(f.Label3[static_cast<size_t>(i)], Qt::LeftButton);
        QTest::mousePress(f.Label4[static_cast<size_t>(i)], Qt::LeftButton, {}, facePoint());
        EXPECT_FALSE(bordered(i)) << i;
        QTest::mouseRelease(f.Label4[static_cast<size_t>(i)], Qt::LeftButton, {}, facePoint());
    }
    f.TextAct(1);
    for (int i : {2, 3}) {
        QTest::mousePress(f.Label3[static_cast<size_t>(i)], Qt::LeftButton);
        EXPECT_TRUE(bordered(i)) << i;
        QTest::mouseRelease(f.Label3[static_cast<size_t>(i)], Qt::LeftButton, {}, QPoint(-40, 0));
        EXPECT_FALSE(bordered(i)) << i;
    }
}

TEST_F(LabelButtonsTest, ClickRunsTheCommandOnlyWhileItsMarkerIsShown) {
    writeSaved(QStringLiteral("980101000001.TXT"), QByteArrayLiteral("one"));
    writeSaved(QStringLiteral("980101000002.TXT"), QByteArrayLiteral("two"));
    tavro::Form1& f = makeForm();
    showActive();
    copyText(QStringLiteral("first"));
    copyText(QStringLiteral("second"));

    // Markers hidden: neither the face nor the text of "ｸﾘｱ" clears.
    f.Focus_clear(5);
    QTest::mouseClick(f.Label4[4], Qt::LeftButton, {}, facePoint());
    QTest::mouseClick(f.Label3[4], Qt::LeftButton);
    EXPECT_EQ(f.List1->count(), 2);
    // Nor does "OK" hide the window.
    QTest::mouseClick(f.Label3[0], Qt::LeftButton);
    EXPECT_TRUE(f.isVisible());

    // "↑ﾃｷｽﾄに追加": saves the selected history entry.
    f.List1->setListIndex(1);
    pointAtText(1);
    QTest::mouseClick(f.Label3[1], Qt::LeftButton);
    EXPECT_EQ(savedBytes(QStringLiteral("980828153012.TXT")), QByteArrayLiteral("first"));
    EXPECT_EQ(f.Lsttext->count(), 3);

    // "↓ｸﾘｯﾌﾟﾎﾞｰﾄﾞに追加": while unavailable a click does nothing.
    QTest::mouseClick(f.Label3[2], Qt::LeftButton);
    EXPECT_EQ(clipboardText(), QStringLiteral("second"));
    // Available but not armed: a click on its text does nothing either.
    f.Lsttext->setListIndex(1);
    ASSERT_TRUE(f.Cmdaddclip->isEnabled());
    ASSERT_EQ(shownMarkers(), QList<int>{1});
    QTest::mouseClick(f.Label3[2], Qt::LeftButton);
    EXPECT_EQ(clipboardText(), QStringLiteral("second"));
    EXPECT_EQ(f.Lsttext->listIndex(), 1);
    // Available, armed by the pointer: recalls the selected text and resets the commands.
    pointAtText(2);
    ASSERT_EQ(shownMarkers(), QList<int>{2});
    QTest::mouseClick(f.Label4[2], Qt::LeftButton, {}, facePoint());
    EXPECT_EQ(clipboardText(), QStringLiteral("two"));
    EXPECT_FALSE(f.Cmdaddclip->isEnabled());
    EXPECT_EQ(focused(), f.cmdok);
    EXPECT_EQ(shownMarkers(), QList<int>{0});

    // "削除": deletes the selected text.
    f.Lsttext->setListIndex(0);
    pointAtFace(3);
    ASSERT_EQ(shownMarkers(), QList<int>{3});
    QTest::mouseClick(f.Label4[3], Qt::LeftButton, {}, facePoint());
    EXPECT_FALSE(QFile::exists(savedPath(QStringLiteral("980101000001.TXT"))));
    EXPECT_EQ(f.Lsttext->count(), 2);

    // "ｸﾘｱ" armed: clears.
    pointAtFace(4);
    QTest::mouseClick(f.Label4[4], Qt::LeftButton, {}, facePoint());
    EXPECT_EQ(f.List1->count(), 0);

    // "OK" armed: hides the window and makes the saved-text commands unavailable.
    f.TextAct(1);
    pointAtText(0);
    QTest::mouseClick(f.Label3[0], Qt::LeftButton);
    EXPECT_TRUE(f.isHidden());
    EXPECT_FALSE(f.Cmdaddclip->isEnabled());
    EXPECT_FALSE(f.CmdDeltext->isEnabled());
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(LabelButtonsTest, OkCommandActsOnlyWithItsMarker) {
    writeSaved(QStringLiteral("980101000001.TXT"), QByteArrayLiteral("one"));
    tavro::Form1& f = makeForm();
    showActive();
    f.Lsttext->setListIndex(0);
    ASSERT_TRUE(f.Cmdaddclip->isEnabled());
    f.Focus_clear(4);
    f.cmdOK_Click();
    EXPECT_TRUE(f.isVisible());
    EXPECT_TRUE(f.Cmdaddclip->isEnabled());
    EXPECT_TRUE(f.CmdDeltext->isEnabled());

    f.Focus_clear(0);
    f.cmdOK_Click();
    EXPECT_TRUE(f.isHidden());
    EXPECT_FALSE(f.Cmdaddclip->isEnabled());
    EXPECT_FALSE(f.CmdDeltext->isEnabled());
    // Shown again from the tray, the window draws what works: no text selected and the two
    // saved-text buttons in silver, so pointing at them arms nothing.
    f.trayLeftButtonDown();
    ASSERT_TRUE(f.isVisible());
    EXPECT_EQ(f.Lsttext->listIndex(), -1);
    for (int i : {2, 3}) {
        EXPECT_EQ(f.Label3[static_cast<size_t>(i)]->palette().color(QPalette::WindowText),
                  QColor(192, 192, 192))
            << i;
    }
}

TEST_F(LabelButtonsTest, DoubleClickActsOnceAndLooksPressedWhileHeld) {
    tavro::Form1& f = makeForm();
    showActive();
    copyText(QStringLiteral("entry"));
    f.List1->setListIndex(0);
    // What the window system delivers for a double click: press, release, then a press that
    // is also reported as a double click, and its release.
    QWidget* text = f.Label3[1];
    const QPoint at = text->rect().center();
    const auto send = [&](QEvent::Type type) {
        QMouseEvent event(type, at, text->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(text, &event);
    };
    pointAtText(1);
    ASSERT_EQ(shownMarkers(), QList<int>{1});
    send(QEvent::MouseButtonPress);
    send(QEvent::MouseButtonRelease);
    send(QEvent::MouseButtonPress);
    send(QEvent::MouseButtonDblClick);
    EXPECT_TRUE(bordered(1));
    send(QEvent::MouseButtonRelease);
    EXPECT_FALSE(bordered(1));
    EXPECT_EQ(savedNames(), QStringList{QStringLiteral("980828153012.TXT")});
    EXPECT_EQ(f.Lsttext->count(), 1);
}

TEST_F(LabelButtonsTest, KeysOnAnArmedCommandButtonRunItsCommand) {
    tavro::Form1& f = makeForm();
    showActive();
    copyText(QStringLiteral("a"));
    f.cmdClear->setFocus();
    ASSERT_EQ(shownMarkers(), QList<int>{4});
    QTest::keyClick(f.cmdClear, Qt::Key_Return);
    EXPECT_EQ(f.List1->count(), 0);

    copyText(QStringLiteral("b"));
    f.cmdaddtext->setFocus();
    f.List1->setListIndex(0);
    ASSERT_EQ(shownMarkers(), QList<int>{1});
    QTest::keyClick(f.cmdaddtext, Qt::Key_Space);
    EXPECT_EQ(savedBytes(QStringLiteral("980828153012.TXT")), QByteArrayLiteral("b"));
    // The save leaves the focus where it was.
    EXPECT_EQ(focused(), f.cmdaddtext);

    f.cmdok->setFocus();
    QTest::keyClick(f.cmdok, Qt::Key_Enter);
    EXPECT_TRUE(f.isHidden());
}

TEST_F(LabelButtonsTest, ActiveWinDisarmsOnlyWhileTheWindowIsInFront) {
    tavro::Form1& f = makeForm();
    showActive();
    f.cmdaddtext->setFocus();
    ASSERT_EQ(shownMarkers(), QList<int>{1});
    f.ActiveWin();
    EXPECT_TRUE(shownMarkers().isEmpty());
    EXPECT_EQ(focused(), f.cmddummy);

    f.cmdClear->setFocus();
    QWidget other;
    activateOtherWindow(other);
    f.ActiveWin();
    EXPECT_EQ(shownMarkers(), QList<int>{4});
    EXPECT_EQ(f.focusWidget(), f.cmdClear);
}

TEST_F(LabelButtonsTest, CreditsLineOpensTheAboutBox) {
    tavro::Form1& f = makeForm();
    showActive();
    ASSERT_EQ(tavro::AboutBox::current(), nullptr);
    // A press alone, or a release outside the line, opens nothing.
    QTest::mousePress(f.Label2, Qt::LeftButton);
    QTest::mouseRelease(f.Label2, Qt::LeftButton, {}, QPoint(-10, -10));
    EXPECT_EQ(tavro::AboutBox::current(), nullptr);
    QTest::mouseClick(f.Label2, Qt::LeftButton);
    ASSERT_NE(tavro::AboutBox::current(), nullptr);
    EXPECT_TRUE(tavro::AboutBox::current()->isVisible());
}
