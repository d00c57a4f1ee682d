#pragma once

#include <QtGlobal>

// The international character sets of ESC R n: each replaces up to twelve ASCII
// characters (# $ @ [ \ ] ^ ` { | } ~) by national letters, so a German program that
// prints "[" on a printer set to Germany gets "Ä".
namespace charsets {

// The character that `c` prints as in set `set`; `c` itself when the set leaves it alone
// or `set` is not a known set (ESC R with an odd number then changes nothing visible).
char32_t national(int set, char32_t c);

// Whether `set` names one of the sets above (0..13 and 64 "Legal").
bool isKnown(int set);

} // namespace charsets
