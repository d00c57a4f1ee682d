#pragma once

#include "Job.h"
#include "OutputContext.h"
#include "PictureHolder.h"

// The print dialog's part of an output, without a dialog: for the command-line tools,
// which read a print file into a job and draw it with all pages, no background picture
// and the watermark they are told. Progress goes nowhere.
class WindowlessContext : public OutputContext
{
public:
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
