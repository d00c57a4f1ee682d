#pragma once

#include <cstddef>
#include <cstdint>

// The fuzz targets. Each takes one input as bytes, runs it through the product code the
// way a real file of that kind is read, and aborts when a rule that the rest of the
// program relies on is broken; a crash, a hang or a sanitizer report is a finding too.
// libFuzzer calls them through LLVMFuzzerTestOneInput (LibFuzzerEntry.cpp); the seed
// replay (SeedReplay.cpp) calls the same functions in the normal build.

// A print file: split into records with both code pages and every record drawn on a
// small bitmap, as an output draws a page.
int fuzzReader(const uint8_t* data, size_t size);
// A settings file: read through the profile functions and the reading rules, written
// and read again.
int fuzzSettings(const uint8_t* data, size_t size);
// A watermark file: every line parsed, composed and parsed again, and drawn.
int fuzzWatermark(const uint8_t* data, size_t size);

namespace fuzz {
// The targets that draw need fonts, so a QGuiApplication; made once, headless, unless the
// caller made one.
void ensureGuiApplication();
// What the server's event loop does between two jobs: due timers run, among them the one
// that trims Qt's font cache, which would otherwise keep an engine for every size drawn.
void idle();
// Ends the run with a message when a rule is broken.
[[noreturn]] void fail(const char* rule);
} // namespace fuzz
