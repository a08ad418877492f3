// The window and the notification area: OK hides the window while a notification area can
// bring it back and minimises it otherwise, following the area as it comes and goes; a
// hidden window shows itself when the area stays away.
#include <QElapsedTimer>
#include <QPushButton>
#include <functional>

#include "form1_fixture.h"

class TrayTest : public Form1Test {
  protected:
    tavro::Form1& start(std::chrono::milliseconds returnWait) {
        tavro::Form1::Options options;
        options.programFolder = folder.path();
        options.clock = [this] { return now; };
        options.trayAvailable = true;
        options.trayReturnWait = returnWait;
        form = std::make_unique<tavro::Form1>(options);
        EXPECT_TRUE(form->Form_Load());
        return *form;
    }

    // Shows the window as the tray does, arms OK and presses it.
    void pressOk() {
        form->Maintext_Click();
        form->Focus_clear(0);
        form->cmdOK_Click();
    }

    bool minimised() const { return form->windowState() & Qt::WindowMinimized; }

    // Lets the event loop run until `condition` holds, for at most `ms` milliseconds.
    static bool waitUntil(const std::function<bool()>& condition, int ms) {
        QElapsedTimer timer;
        timer.start();
        while (!condition() && timer.elapsed() < ms) {
            QTest::qWait(10);
        }
        return condition();
    }
};

TEST_F(TrayTest, OkHidesWhileANotificationAreaExistsAndMinimisesWhileThereIsNone) {
    tavro::Form1& f = start(std::chrono::hours(1));
    ASSERT_TRUE(f.trayAvailable());
    EXPECT_TRUE(f.isHidden());

    struct Step {
        bool areaExists;
        bool hidden;
        bool minimised;
    };
    // The area goes, comes back, goes again: OK follows every change.
    for (const Step& step : {Step{true, true, false}, Step{false, false, true},
                             Step{true, true, false}, Step{false, false, true}}) {
        f.trayAvailabilityChanged(step.areaExists);
        pressOk();
        EXPECT_EQ(f.trayAvailable(), step.areaExists);
        EXPECT_EQ(f.isHidden(), step.hidden) << "area exists: " << step.areaExists;
        EXPECT_EQ(minimised(), step.minimised) << "area exists: " << step.areaExists;
        // OK disables the saved-text commands either way.
        EXPECT_FALSE(f.CmdDeltext->isEnabled());
        EXPECT_FALSE(f.Cmdaddclip->isEnabled());
    }
}

TEST_F(TrayTest, AHiddenWindowShowsWhenTheNotificationAreaStaysAwayButNotWhenItReturns) {
    tavro::Form1& f = start(std::chrono::milliseconds(50));
    ASSERT_TRUE(f.isHidden());

    // A panel that restarts: gone and back before the wait is over; the window stays hidden.
    f.trayAvailabilityChanged(false);
    f.trayAvailabilityChanged(true);
    QTest::qWait(300);
    EXPECT_TRUE(f.isHidden());

    // A panel that stays away: the window shows, so the program stays reachable; OK then
    // minimises it.
    f.trayAvailabilityChanged(false);
    EXPECT_TRUE(f.isHidden());
    EXPECT_TRUE(waitUntil([&f] { return f.isVisible(); }, 5000));
    f.Focus_clear(0);
    f.cmdOK_Click();
    EXPECT_TRUE(minimised());

    // A window that is shown when the area goes is left as it is.
    f.trayAvailabilityChanged(true);
    f.Maintext_Click();
    f.trayAvailabilityChanged(false);
    QTest::qWait(300);
    EXPECT_TRUE(f.isVisible());
    EXPECT_FALSE(minimised());
}
