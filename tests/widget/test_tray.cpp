// The window and the notification area: OK hides the window while a notification area can
// bring it back and minimises it otherwise, following the area as it comes and goes; a
// hidden window shows itself when the area stays away.
#include "app_fixture.h"

class TrayTest : public AppTest {
  protected:
    // Arms OK and presses it.
    void pressOk() {
        window().showMarker(tavro::LabelButton::Ok);
        press(QStringLiteral("okButton"));
    }
    bool minimised() const { return window().windowState() & Qt::WindowMinimized; }
};

TEST_F(TrayTest, OkHidesWhileANotificationAreaExistsAndMinimisesWhileThereIsNone) {
    startApp();
    ASSERT_TRUE(app->trayAvailable());
    EXPECT_TRUE(window().isHidden());

    // The area goes, comes back, goes again: OK follows every change.
    for (bool areaExists : {true, false, true, false}) {
        app->trayAvailabilityChanged(areaExists);
        choose(QStringLiteral("savedTextHeading"));
        pressOk();
        EXPECT_EQ(app->trayAvailable(), areaExists);
        EXPECT_EQ(window().isHidden(), areaExists) << "area exists: " << areaExists;
        EXPECT_EQ(minimised(), !areaExists) << "area exists: " << areaExists;
        // OK disables the saved-text commands either way.
        EXPECT_FALSE(button(QStringLiteral("deleteTextButton"))->isEnabled());
        EXPECT_FALSE(button(QStringLiteral("recallTextButton"))->isEnabled());
    }
}

TEST_F(TrayTest, AHiddenWindowShowsWhenTheNotificationAreaStaysAwayButNotWhenItReturns) {
    startApp(true, true, std::chrono::milliseconds(50));
    ASSERT_TRUE(window().isHidden());

    // A panel that restarts: gone and back before the wait is over; the window stays hidden.
    app->trayAvailabilityChanged(false);
    app->trayAvailabilityChanged(true);
    QTest::qWait(300);
    EXPECT_TRUE(window().isHidden());

    // A panel that stays away: the window shows, so the program stays reachable; OK then
    // minimises it.
    app->trayAvailabilityChanged(false);
    EXPECT_TRUE(window().isHidden());
    EXPECT_TRUE(QTest::qWaitFor([this] { return window().isVisible(); }, 5000));
    pressOk();
    EXPECT_TRUE(minimised());

    // A window that is shown when the area goes is left as it is.
    app->trayAvailabilityChanged(true);
    choose(QStringLiteral("savedTextHeading"));
    app->trayAvailabilityChanged(false);
    QTest::qWait(300);
    EXPECT_TRUE(window().isVisible());
    EXPECT_FALSE(minimised());
}
