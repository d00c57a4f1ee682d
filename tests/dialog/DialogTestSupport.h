#pragma once

#include "dialog/OutputDispatch.h"
#include "dialog/PrintDialog.h"
#include "platform/Printers.h"
#include "support/Controls.h"
#include "support/TestJobs.h"

#include <QElapsedTimer>

#include <functional>
#include <memory>
#include <vector>

// Routes the outputs and the printer list to the test for as long as it lives, noting each
// output's request and time on `clock`.
struct DialogHooks
{
    struct Call
    {
        OutputRequest request;
        qint64 atMs = 0;
    };
    explicit DialogHooks(QStringList printerNames = {})
    {
        clock.start();
        printers::installedPrintersHook() = [printerNames] { return printerNames; };
        outputHook() = [this](const Job& job, const OutputRequest& request) {
            calls.push_back({request, clock.elapsed()});
            return onOutput ? onOutput(job, request) : OutputOutcome::done();
        };
    }
    ~DialogHooks()
    {
        outputHook() = nullptr;
        printers::installedPrintersHook() = nullptr;
    }
    QElapsedTimer clock;
    std::vector<Call> calls;
    std::function<OutputOutcome(const Job&, const OutputRequest&)> onOutput;
};

// A job and its print dialog, as the server makes them; `closed` once the dialog is done.
struct DialogOnJob
{
    explicit DialogOnJob(Job j) : job(std::move(j)), dialog(job)
    {
        QObject::connect(&dialog, &PrintDialog::finished, [this] { closed = true; });
    }
    Job job;
    PrintDialog dialog;
    bool closed = false;
};

// The dialog of a job of these records, read with the settings of `dirs`.
inline std::unique_ptr<DialogOnJob> dialogFor(const TempFolders& dirs, const QStringList& records = {"Seite 1"})
{
    return std::make_unique<DialogOnJob>(jobOf(dirs, records));
}
