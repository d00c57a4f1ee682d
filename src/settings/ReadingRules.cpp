#include "settings/ReadingRules.h"

#include "platform/Profile.h"

#include <cfenv>
#include <cmath>
#include <limits>

namespace rules {

QStringView trimBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.sliced(begin, end - begin);
}

QString stringValue(QString raw)
{
    raw.remove(QChar(u'\0'));
    return trimBlanks(raw).toString();
}

double numericValue(const QString& raw)
{
    // Collect the characters that may form the number, skipping the ignored ones.
    std::string number;
    bool seenDigit = false;
    bool seenPoint = false;
    for (const QChar c : raw) {
        if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r')
            continue;
        if ((c == u'+' || c == u'-') && number.empty()) {
            number += char(c.unicode());
        } else if (c >= u'0' && c <= u'9') {
            number += char(c.unicode());
            seenDigit = true;
        } else if (c == u'.' && !seenPoint) {
            number += '.';
            seenPoint = true;
        } else {
            break;
        }
    }
    if (!seenDigit)
        return 0.0;
    return std::strtod(number.c_str(), nullptr); // only sign, digits and '.': locale-free
}

qint32 wholeNumber(const QString& raw)
{
    const double value = numericValue(raw);
    const int oldMode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(oldMode);
    if (rounded >= double(std::numeric_limits<qint32>::max()))
        return std::numeric_limits<qint32>::max();
    if (rounded <= double(std::numeric_limits<qint32>::min()))
        return std::numeric_limits<qint32>::min();
    return static_cast<qint32>(rounded);
}

bool flagValue(const QString& raw)
{
    return raw.isEmpty() || raw.front() != u'0';
}

qint16 firstDigitValue(const QString& raw)
{
    if (raw.isEmpty() || raw.front() < u'0' || raw.front() > u'9')
        return 0;
    return static_cast<qint16>(raw.front().unicode() - u'0');
}

QString signedNumber(qint64 value)
{
    return value < 0 ? QString::number(value) : u' ' + QString::number(value);
}

QString readRaw(const QString& file, const QString& section, const QString& key, const QString& defaultValue,
                int bufferSize)
{
    QString value = profile::GetPrivateProfileString(section, key, defaultValue, bufferSize, file);
    value.remove(QChar(u'\0'));
    return value;
}

QString readString(const QString& file, const QString& section, const QString& key, const QString& defaultValue,
                   int bufferSize)
{
    return stringValue(readRaw(file, section, key, defaultValue, bufferSize));
}

qint32 readNumber(const QString& file, const QString& section, const QString& key, const QString& defaultValue)
{
    return wholeNumber(readRaw(file, section, key, defaultValue));
}

bool readFlag(const QString& file, const QString& section, const QString& key, const QString& defaultValue)
{
    return flagValue(readRaw(file, section, key, defaultValue));
}

bool write(const QString& file, const QString& section, const QString& key, const QString& value)
{
    return profile::WritePrivateProfileString(section, key, value, file);
}

} // namespace rules
