// The automatic start: the countdown bar in seconds and the output at the exact delay,
// armed by init but running only once the job is complete.
#include "DialogTestSupport.h"
#include "TempFolders.h"

#include <QFrame>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cmath>

namespace {

bool waitForSeconds(frmGUI* dialog, double seconds, int timeoutMs)
{
    return QTest::qWaitFor([&] { return std::abs(dialog->countdownSeconds() - seconds) < 1e-6; }, timeoutMs);
}

// Timers on a shared machine may run late, never early.
constexpr qint64 lateSlackMs = 700;

} // namespace

TEST(DialogCountdown, DefaultDelayCountsThreeTwoOneAndStartsAfterThreeSeconds)
{
    TempFolders dirs;
    DialogHooks hooks;
    dirs.setSetting("Pserver", "AutoStart", "1");
    QPointer<frmGUI> dialog = loadDialog(dirs.settingsFile());
    auto* strip = control<QFrame>(dialog, "frmAutostart");

    EXPECT_FALSE(strip->isHidden()) << "init arms the countdown and shows the strip";
    EXPECT_DOUBLE_EQ(dialog->countdownMaximum(), 3.0);
    EXPECT_DOUBLE_EQ(dialog->countdownSeconds(), 3.0);
    EXPECT_FALSE(dialog->AutostartTimer.isActive()) << "nothing runs while the job is still read";
    EXPECT_FALSE(dialog->tmrCountdown.isActive());
    EXPECT_EQ(dialog->tmrCountdown.interval(), 1000);

    hooks.restartClock();
    dialog->jobComplete();
    ASSERT_TRUE(waitForSeconds(dialog, 2.0, 1000 + lateSlackMs));
    const qint64 atTwo = hooks.elapsed();
    ASSERT_TRUE(waitForSeconds(dialog, 1.0, 1000 + lateSlackMs));
    const qint64 atOne = hooks.elapsed();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !hooks.calls.empty(); }, 1000 + lateSlackMs));
    const qint64 atOutput = hooks.calls[0].atMs;

    EXPECT_GE(atTwo, 990);
    EXPECT_LT(atTwo, 1000 + lateSlackMs);
    EXPECT_GE(atOne, 1990);
    EXPECT_GE(atOutput, 2995);
    EXPECT_LT(atOutput, 3000 + lateSlackMs);
    EXPECT_EQ(hooks.calls[0].kind, 5);
    EXPECT_TRUE(waitUntilDeleted(dialog));
    std::printf("[   INFO   ] countdown 3000 ms: 2 at %lld ms, 1 at %lld ms, output at %lld ms\n", atTwo, atOne,
                atOutput);
}

TEST(DialogCountdown, FractionalDelayShowsHalfSecondsAndStartsAtTheDelay)
{
    TempFolders dirs;
    DialogHooks hooks;
    dirs.setSetting("Pserver", "AutoStart", "1");
    dirs.setSetting("Pserver", "AutoStartDelay", "1500");
    QPointer<frmGUI> dialog = loadDialog(dirs.settingsFile());
    EXPECT_DOUBLE_EQ(dialog->countdownMaximum(), 1.5);
    EXPECT_DOUBLE_EQ(dialog->countdownSeconds(), 1.5);

    std::vector<double> seen;
    hooks.onOutput = [&](frmGUI& d) {
        seen.push_back(d.countdownSeconds());
        return OutputOutcome::done();
    };
    hooks.restartClock();
    dialog->jobComplete();
    ASSERT_TRUE(waitForSeconds(dialog, 0.5, 1000 + lateSlackMs));
    const qint64 atHalf = hooks.elapsed();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !hooks.calls.empty(); }, 1000 + lateSlackMs));

    EXPECT_GE(atHalf, 990);
    EXPECT_GE(hooks.calls[0].atMs, 1495);
    EXPECT_LT(hooks.calls[0].atMs, 1500 + lateSlackMs);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_DOUBLE_EQ(seen[0], 0.5) << "the bar never goes below its minimum";
    EXPECT_TRUE(waitUntilDeleted(dialog));
    std::printf("[   INFO   ] countdown 1500 ms: 0.5 at %lld ms, output at %lld ms\n", atHalf, hooks.calls[0].atMs);
}

TEST(DialogCountdown, StoppingTheCountdownKeepsTheDialogForManualUse)
{
    TempFolders dirs;
    DialogHooks hooks;
    dirs.setSetting("Pserver", "AutoStart", "1");
    QPointer<frmGUI> dialog = loadDialog(dirs.settingsFile());
    dialog->jobComplete();
    ASSERT_TRUE(dialog->AutostartTimer.isActive());

    control<QPushButton>(dialog, "Command4")->click();
    EXPECT_FALSE(dialog->AutostartTimer.isActive());
    EXPECT_FALSE(dialog->tmrCountdown.isActive());
    EXPECT_TRUE(control<QFrame>(dialog, "frmAutostart")->isHidden());
    dialog->jobComplete();
    EXPECT_FALSE(dialog->AutostartTimer.isActive()) << "a stopped countdown never starts again";

    control<QPushButton>(dialog, "Command3")->click();
    EXPECT_EQ(hooks.calls.size(), 1u);
    EXPECT_TRUE(waitUntilDeleted(dialog));
}

TEST(DialogCountdown, ZeroDelayOutputsAHiddenJobAsSoonAsItIsComplete)
{
    TempFolders dirs;
    DialogHooks hooks;
    dirs.setSetting("Pserver", "AutoStart", "1");
    dirs.setSetting("Pserver", "HideMode", "1");
    dirs.setSetting("Pserver", "AutoStartDelay", "0");
    QPointer<frmGUI> dialog = loadDialog(dirs.settingsFile());
    EXPECT_TRUE(dialog->OnlyBackground);

    // Records handed over while the job is read never start the output early.
    dialog->PageLen = 3;
    dialog->AddLineToArray("erste Zeile");
    QTest::qWait(20);
    EXPECT_TRUE(hooks.calls.empty());
    dialog->AddLineToArray("zweite Zeile");
    dialog->jobComplete();
    EXPECT_TRUE(hooks.calls.empty()) << "the output runs from the event loop, not inside the hand-over";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !hooks.calls.empty(); }, 1000));
    EXPECT_TRUE(dialog.isNull() || !dialog->isVisible()) << "the hidden job was never shown";
    EXPECT_TRUE(waitUntilDeleted(dialog));
}
