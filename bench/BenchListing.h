#pragma once

#include <QByteArray>

namespace bench {

inline constexpr int ListingLinesPerPage = 60;

// A business listing as a DOS program prints it: 80 columns, code page 437, a box around
// the table, umlauts, CR LF line ends and a form feed before every page but the first
// (bench/pdf_vs_references.sh writes the same file).
QByteArray listing(int pages);

} // namespace bench
