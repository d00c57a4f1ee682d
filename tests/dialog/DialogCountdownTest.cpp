// The automatic start: the countdown bar in seconds and the output at the exact delay,
// armed by init but running only once the job is complete.
#include "DialogTestSupport.h"
#include "TempFolders.h"

#include <QFrame>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Timers on a shared machine may run late, never early.
constexpr qint64 lateSlackMs = 700;

// Waits until the bar shows `seconds` and returns when that happened (-1: never).
qint64 whenShowing(frmGUI* dialog, const DialogHooks& hooks, double seconds)
{
    const bool seen =
        QTest::qWaitFor([&] { return std::abs(dialog->countdownSeconds() - seconds) < 1e-6; }, 1000 + lateSlackMs);
    return seen ? hooks.elapsed() : -1;
}

frmGUI* loadAutoStarting(const TempFolders& dirs, const char* delay)
{
    dirs.setSetting("Pserver", "AutoStart", "1");
    if (delay)
        dirs.setSetting("Pserver", "AutoStartDelay", delay);
    return loadDialog(dirs.settingsFile());
}

} // namespace

// The default 3000 ms count 3, 2, 1; 1500 ms count 1.5, 0.5 and never go below zero.
TEST(DialogCountdown, CountsDownInSecondsAndStartsAtTheExactDelay)
{
    const struct
    {
        const char* delay;
        double maximum;
        QList<double> marks;
        qint64 outputMs;
    } cases[] = {{nullptr, 3.0, {2.0, 1.0}, 3000}, {"1500", 1.5, {0.5}, 1500}};
    for (const auto& c : cases) {
        TempFolders dirs;
        DialogHooks hooks;
        QPointer<frmGUI> dialog = loadAutoStarting(dirs, c.delay);
        EXPECT_FALSE(control<QFrame>(dialog, "frmAutostart")->isHidden());
        EXPECT_DOUBLE_EQ(dialog->countdownMaximum(), c.maximum);
        EXPECT_DOUBLE_EQ(dialog->countdownSeconds(), c.maximum);
        EXPECT_FALSE(dialog->AutostartTimer.isActive()) << "nothing runs while the job is still read";
        double shownAtOutput = -1;
        hooks.onOutput = [&](frmGUI& d) {
            shownAtOutput = d.countdownSeconds();
            return OutputOutcome::done();
        };

        hooks.restartClock();
        dialog->jobComplete();
        for (int i = 0; i < c.marks.size(); ++i) {
            const qint64 at = whenShowing(dialog, hooks, c.marks[i]);
            EXPECT_GE(at, 1000 * (i + 1) - 10) << c.marks[i];
            EXPECT_LT(at, 1000 * (i + 1) + lateSlackMs) << c.marks[i];
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return !hooks.calls.empty(); }, 1000 + lateSlackMs));
        EXPECT_GE(hooks.calls[0].atMs, c.outputMs - 5);
        EXPECT_LT(hooks.calls[0].atMs, c.outputMs + lateSlackMs);
        EXPECT_EQ(hooks.calls[0].kind, 5);
        EXPECT_GE(shownAtOutput, 0.0);
        EXPECT_TRUE(waitUntilDeleted(dialog));
    }
}

TEST(DialogCountdown, StoppingTheCountdownKeepsTheDialogForManualUse)
{
    TempFolders dirs;
    DialogHooks hooks;
    QPointer<frmGUI> dialog = loadAutoStarting(dirs, nullptr);
    dialog->jobComplete();
    ASSERT_TRUE(dialog->AutostartTimer.isActive());
    control<QPushButton>(dialog, "Command4")->click();
    EXPECT_FALSE(dialog->tmrCountdown.isActive());
    EXPECT_TRUE(control<QFrame>(dialog, "frmAutostart")->isHidden());
    dialog->jobComplete();
    EXPECT_FALSE(dialog->AutostartTimer.isActive()) << "a stopped countdown never starts again";
    control<QPushButton>(dialog, "Command3")->click();
    EXPECT_EQ(hooks.calls.size(), 1u);
    EXPECT_TRUE(waitUntilDeleted(dialog));
}

TEST(DialogCountdown, ZeroDelayOutputsAHiddenJobFromTheEventLoopOnceItIsComplete)
{
    TempFolders dirs;
    DialogHooks hooks;
    dirs.setSetting("Pserver", "HideMode", "1");
    QPointer<frmGUI> dialog = loadAutoStarting(dirs, "0");
    dialog->PageLen = 3;
    dialog->AddLineToArray("erste Zeile");
    QCoreApplication::processEvents();
    EXPECT_TRUE(hooks.calls.empty()) << "records handed over never start the output early";
    dialog->jobComplete();
    EXPECT_TRUE(hooks.calls.empty()) << "not inside the hand-over";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !hooks.calls.empty(); }, 1000));
    EXPECT_TRUE(dialog.isNull() || !dialog->isVisible()) << "the hidden job was never shown";
    EXPECT_TRUE(waitUntilDeleted(dialog));
}
