#pragma once

#include <QString>

class Job;

// Draws every page of the job into PNG files OUTDIR/page-001.png, page-002.png, ... through
// the page drawing every output uses: the widest line of the job handed to the canvas
// first, then per page the lines with the first-line flag on line 1 of page 1, no
// background picture and no watermark. Pages are A4 (landscape for a landscape job) at
// `dpi`. Returns the number of pages written, or -1 with `error` set.
int renderJobPages(const Job& job, const QString& outDir, int dpi, QString& error);
