#include "CodePage.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(CodePage, BothPagesRoundTripAndKeepControlCodes)
{
    for (int page : {437, 850}) {
        QByteArray all(256, Qt::Uninitialized);
        for (int b = 0; b < 256; ++b)
            all[b] = char(b);
        const QString text = codepage::decode(all, page);
        EXPECT_EQ(codepage::encode(text, page), all) << page;
        for (int b = 0; b < 0x80; ++b)
            EXPECT_EQ(text[b].unicode(), b) << page;
    }
    EXPECT_EQ(codepage::decode("\x84\x94\x81\x8e\x99\x9a\xe1", 437), u"äöüÄÖÜß"_s);
    EXPECT_EQ(codepage::decode("\xc9\xcd\xbb\xb3\xc4\xda\xdb", 437), u"╔═╗│─┌█"_s);
    EXPECT_EQ(codepage::decode("\x84\xe1\xc9\xb5\xe4\xd5\x9b", 850), u"äß╔Áõıø"_s);
    EXPECT_EQ(codepage::encode(u"€ä"_s, 437), "?\x84");
    EXPECT_EQ(codepage::normalized(1252), 437);
}
