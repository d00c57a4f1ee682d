#pragma once

#include "Job.h"
#include "OutputContext.h"
#include "PdfOutcome.h"
#include "PictureHolder.h"

#include <QString>

// Converting a print file into a PDF without any window: the job is read as the server
// reads it, and written through the same page loop, renderer and PDF component as the
// "Pdf-Dokument" output, with all pages, no background picture and no attachment picture
// beyond what the job names.

// The print dialog's part of an output, without a dialog.
class ConverterContext : public OutputContext
{
public:
    ConverterContext() = default;
    ~ConverterContext() override;

    Job& job() override { return m_job; }
    qint16 PicPageMode(qint16) const override { return 0; }
    // 0 is "Ohne"; p >= 1 draws the job's watermark p - 1.
    qint32 WatermarkPosition(qint16) const override { return m_watermark; }
    void setWatermarkPosition(qint32 position) { m_watermark = position; }
    PictureHolder& Picture1() override { return m_picture1; }
    PictureHolder& Picture2() override { return m_picture2; }
    void setProgressMaximum(qint16, qint32, qint32) override {}
    void setProgressValue(qint16, qint32, qint32) override {}

private:
    Job m_job;
    qint32 m_watermark = 0;
    PictureHolder m_picture1;
    PictureHolder m_picture2;
};

// Reads `printFile` with the settings of `settingsFile` (empty: the server's default
// settings file) and writes every page to `output`. A failed outcome carries a German
// message naming the file; no partial output is left behind.
PdfOutcome convertPrintFileToPdf(const QString& printFile, const QString& output, const QString& settingsFile,
                                 qint32 watermarkPosition = 0);
