#pragma once

#include <QChar>
#include <QString>

#include <initializer_list>

// Print data as the reader hands it on: every parameter byte of an escape sequence as the
// private-use character U+F000 + byte.
inline QString param(uchar byte)
{
    return QString(QChar(char16_t(0xF000 + byte)));
}

// ESC, the command and its parameter bytes, encoded as the reader encodes them.
inline QString esc(char command, std::initializer_list<int> params = {})
{
    QString s = QString(QChar(0x1B)) + QChar(command);
    for (int p : params)
        s += param(uchar(p & 0xFF));
    return s;
}
