#pragma once

#include <QString>

class OutputContext;

// Draws every page of the context's filled job into PNG files OUTDIR/page-001.png,
// page-002.png, ... through the page drawing every output uses: the widest line of the job
// handed to the canvas first, then per page the context's picture and watermark and lines
// 1 to PageLen + Topspace, the first-line flag on line 1 of page 1. Pages are A4
// (landscape for a landscape job) at `dpi`. Returns the number of pages written, or -1
// with `error` set.
int renderJobPages(OutputContext& context, const QString& outDir, int dpi, QString& error);
