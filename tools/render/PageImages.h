#pragma once

#include <QString>

class Job;

// Draws every page of a filled job into PNG files OUTDIR/page-001.png, page-002.png, ...
// with the engine calls the printer output makes: the widest line of the job handed to
// the canvas first, then per page lines 1 to PageLen + Topspace through PRINTLINE5, the
// first-line flag on line 1 of page 1, lines continuing after double-height lines, and
// the texts and the font name written back. Pages are A4 (landscape for a landscape job)
// at `dpi`. Returns the number of pages written, or -1 with `error` set.
int renderJobPages(Job& job, const QString& outDir, int dpi, QString& error);
