#pragma once

#include "EscapeTable.h"
#include "PrintFile.h"
#include "PrintFileRecords.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// One fuzz input: the bytes of a print file, split into records and decoded with both code
// pages, every record tallied. Besides "no crash, no hang" it checks what the renderer and
// the page filling rely on, and aborts when a rule is broken.
inline int readerFuzzOne(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (int codePage : {437, 850}) {
        PrintFileRecords records;
        records.load(bytes, codePage);
        qsizetype rawTotal = 0;
        for (qsizetype i = 0; i < records.count(); ++i) {
            const QString record = records.record(i);
            const QByteArrayView raw = records.rawRecord(i);
            rawTotal += raw.size();
            // One character per byte; no LF outside escape sequences; a sequence's command and
            // parameters only right after its ESC; no record that reads as the end record.
            if (record.size() != raw.size() || record.contains(QChar(u'\n')) || isEndRecord(record))
                std::abort();
            for (qsizetype c = 0; c < record.size(); ++c) {
                if (!escape::isParameter(record[c]) || (c > 0 && escape::isParameter(record[c - 1])))
                    continue;
                if (c < 1 || record[c - 1] != QChar(0x1b))
                    std::abort();
            }
            if (GETSIGNTALLY(record) > record.size())
                std::abort();
        }
        if (rawTotal > bytes.size())
            std::abort();
    }
    return 0;
}
