#pragma once

#include "Controls.h"
#include "Printers.h"
#include "frmGUI.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QStringList>
#include <QTest>

#include <functional>
#include <vector>

// One output the dialog started: the kind and slot it handed over, and when.
struct OutputCall
{
    qint16 kind = 0, slot = 0;
    qint64 atMs = 0;
};

// Routes the dialog's output and printer list to the test for as long as it lives.
class DialogHooks
{
public:
    explicit DialogHooks(QStringList printerNames = {})
    {
        m_clock.start();
        printers::installedPrintersHook() = [printerNames] { return printerNames; };
        frmGUI::outputHook() = [this](frmGUI& dialog, qint16 kind, qint16 slot) {
            calls.push_back({kind, slot, m_clock.elapsed()});
            return onOutput ? onOutput(dialog) : OutputOutcome::done();
        };
    }
    ~DialogHooks()
    {
        frmGUI::outputHook() = nullptr;
        printers::installedPrintersHook() = nullptr;
    }
    DialogHooks(const DialogHooks&) = delete;
    DialogHooks& operator=(const DialogHooks&) = delete;

    void restartClock() { m_clock.restart(); }
    qint64 elapsed() const { return m_clock.elapsed(); }

    std::vector<OutputCall> calls;
    std::function<OutputOutcome(frmGUI&)> onOutput;

private:
    QElapsedTimer m_clock;
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
inline bool waitUntilDeleted(const QPointer<frmGUI>& dialog, int timeoutMs = 2000)
{
    return QTest::qWaitFor([&] { return dialog.isNull(); }, timeoutMs);
}
