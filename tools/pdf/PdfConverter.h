#pragma once

#include "pages/OutputOutcome.h"

#include <QString>

// Converting a print file into a PDF without any window: the job is read as the server
// reads it, and written through the same page loop, renderer and PDF component as the
// "Pdf-Dokument" output, with all pages, no background picture and no attachment picture
// beyond what the job names.

// Reads `printFile` with the settings of `settingsFile` (empty: the server's default
// settings file) and writes every page to `output`. A failed outcome carries a German
// message naming the file; no partial output is left behind.
OutputOutcome convertPrintFileToPdf(const QString& printFile, const QString& output, const QString& settingsFile,
                                    qint32 watermarkPosition = 0);
