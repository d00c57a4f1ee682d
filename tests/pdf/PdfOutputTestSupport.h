#pragma once

#include "PdfOutput.h"
#include "PdfTools.h"
#include "ServerSettings.h"
#include "TempFolders.h"
#include "TestContext.h"

#include <QDir>

#include <gtest/gtest.h>

// A print dialog for the PDF outputs.
using TestDialog = TestContext;

// Private folders, the default settings loaded, and a PDF folder of its own.
struct PdfFixture
{
    TempFolders dirs;
    QString pdfFolder = dirs.root() + QStringLiteral("/pdf");

    PdfFixture()
    {
        LoadServerSettings(dirs.settingsFile());
        QDir().mkpath(pdfFolder);
        ServerSettings().PDFFolder = pdfFolder;
    }
    QStringList pdfFiles() const { return QDir(pdfFolder).entryList({QStringLiteral("*.pdf")}, QDir::Files); }
};

// Writes the dialog's job to "<name>.pdf", unencrypted so the tools need no password.
inline QString writeNamedPdf(PdfFixture& fx, TestDialog& dialog, const QString& name)
{
    ServerSettings().PdfPrint = false;
    dialog.job().pdfName = name;
    QString stamp;
    const OutputOutcome outcome = PrintToPdf(dialog, 0, stamp);
    EXPECT_TRUE(outcome.ok()) << outcome.message.toStdString();
    return fx.pdfFolder + QStringLiteral("/") + name + QStringLiteral(".pdf");
}
