#pragma once

#include "Controls.h"
#include "Printers.h"
#include "frmGUI.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTest>

#include <functional>
#include <vector>

// Routes the dialog's output and printer list to the test for as long as it lives, noting
// each output's kind, slot and time on `clock`.
struct DialogHooks
{
    struct Call
    {
        qint16 kind = 0, slot = 0;
        qint64 atMs = 0;
    };
    explicit DialogHooks(QStringList printerNames = {})
    {
        clock.start();
        printers::installedPrintersHook() = [printerNames] { return printerNames; };
        frmGUI::outputHook() = [this](frmGUI& dialog, qint16 kind, qint16 slot) {
            calls.push_back({kind, slot, clock.elapsed()});
            return onOutput ? onOutput(dialog) : OutputOutcome::done();
        };
    }
    ~DialogHooks()
    {
        frmGUI::outputHook() = nullptr;
        printers::installedPrintersHook() = nullptr;
    }
    QElapsedTimer clock;
    std::vector<Call> calls;
    std::function<OutputOutcome(frmGUI&)> onOutput;
};

// A dialog as the poller makes one: loaded, given its settings file, initialised.
inline frmGUI* loadDialog(const QString& iniFile, bool runInit = true)
{
    auto* dialog = new frmGUI;
    dialog->setIniFile(iniFile);
    if (runInit)
        dialog->init();
    return dialog;
}

// The dialog unloads with deleteLater.
inline bool waitUntilDeleted(const QPointer<frmGUI>& dialog)
{
    return QTest::qWaitFor([&] { return dialog.isNull(); }, 2000);
}
