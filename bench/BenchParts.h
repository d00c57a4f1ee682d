#pragma once

#include <QString>

// One function per measured part. Each prints its figures as "name: value unit" lines.
// `only` is empty to run everything, or the name given on the command line.
void benchRead();
void benchJob();
void benchRender();
void benchPdf();
void benchServer();
void benchLatency();
