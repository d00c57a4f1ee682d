#pragma once

#include <QString>

// How every reader turns a settings value into what it needs. One place, so that a
// key read by the settings window, the dialog and the outputs always means the same.
namespace rules {

// Blanks at both ends removed (after NUL characters were removed).
QString stringValue(QString raw);

// Blanks (and only blanks: tabs and control codes are content) removed at both ends.
QStringView trimBlanks(QStringView text);

// The leading numeric part of the text (blanks, tabs and line feeds are ignored
// wherever they stand; optional sign, digits, optional decimal point and fraction;
// the first other character ends it; no digits give 0), as a double.
double numericValue(const QString& raw);

// numericValue rounded to a whole number, halves to the even neighbour
// ("70.5" gives 70, "71.5" gives 72, "abc" gives 0); clamped to the 32-bit range.
qint32 wholeNumber(const QString& raw);

// False exactly when the first character is "0"; an empty value is true.
bool flagValue(const QString& raw);

// The numeric value of the first character alone: a digit gives 0 to 9, anything else 0.
qint16 firstDigitValue(const QString& raw);

// Decimal text with a blank in the place of a plus sign: " 1", " 65", "-100".
QString signedNumber(qint64 value);

// Reads a key through the profile functions with a buffer of bufferSize characters and
// removes every NUL character; the typed readers below apply the rules above.
QString readRaw(const QString& file, const QString& section, const QString& key, const QString& defaultValue,
                int bufferSize = 255);
QString readString(const QString& file, const QString& section, const QString& key, const QString& defaultValue,
                   int bufferSize = 255);
qint32 readNumber(const QString& file, const QString& section, const QString& key, const QString& defaultValue);
bool readFlag(const QString& file, const QString& section, const QString& key, const QString& defaultValue);

// Writes the text unchanged. Returns false when the file could not be written.
bool write(const QString& file, const QString& section, const QString& key, const QString& value);

} // namespace rules
