#include "ReadingRules.h"
#include "ServerSettings.h"
#include "TempFolders.h"

#include <QFileInfo>

#include <gtest/gtest.h>

using namespace rules;

// The value rules where a plain toInt() or trimmed() would be wrong; flags, the watermark
// layer digit and blank trimming are shown through a whole settings file in ServerSettings.
TEST(ReadingRules, NumbersTakeTheLeadingNumericPartRoundedHalfToEvenAndStringsLoseNuls)
{
    const std::pair<const char*, qint32> numbers[] = {
        {"70.5", 70}, {"71.5", 72},        {"-2.5", -2}, {"abc", 0}, {"", 0},  {"12abc", 12},
        {"+7", 7},    {"1 2\t3\n4", 1234}, {"1.2.3", 1}, {"1e3", 1}, {"-", 0}, {"99999999999", 2147483647},
    };
    for (const auto& [text, value] : numbers)
        EXPECT_EQ(wholeNumber(text), value) << text;
    EXPECT_TRUE(flagValue(" 0")) << "the value as returned: a leading blank counts";
    EXPECT_EQ(stringValue(QString::fromUtf16(u"  ab\0c  ", 8)), "abc");
    EXPECT_EQ(stringValue("\tx\t"), "\tx\t") << "only blanks are trimmed";
}

TEST(ServerSettings, KeysAreReadByTheRulesWhateverTheirSpelling)
{
    TempFolders dirs;
    LoadServerSettings(dirs.settingsFile());
    EXPECT_FALSE(QFileInfo::exists(dirs.settingsFile())) << "reading never creates the file";
    TempFolders::writeFile(dirs.settingsFile(), "[pserver]\n"
                                                "barcodepitch= 20\n"
                                                "PDFShow=\n"
                                                "PDFMSG=0abc\n"
                                                "WaterLayer=12\n"
                                                "PdfPrint=0\n"
                                                "SignPitch=10.5\n"
                                                "Fontname=  Lucida Console  \n"
                                                "PdfPassword=\" geheim \"\n");
    LoadServerSettings(dirs.settingsFile());
    const ServerSettingsRecord& s = ServerSettings();
    EXPECT_EQ(s.BarCodePitch, 20);
    EXPECT_TRUE(s.PDFShow) << "present but empty is true";
    EXPECT_FALSE(s.PDFMSG);
    EXPECT_EQ(s.Waterlayer, 1);
    EXPECT_FALSE(s.PdfPrint);
    EXPECT_EQ(s.SignPitch, 10);
    EXPECT_EQ(s.Fontname, "Lucida Console");
    EXPECT_EQ(s.PdfPassword, "geheim") << "quoted blanks are trimmed by the string rule";
}

// A number no settings window would write costs nothing: it is brought into the range the
// window offers (or one a user could mean), and 0 or less is the default where the range
// starts above 0.
TEST(ServerSettings, NumbersFromAFileStayInTheirRange)
{
    TempFolders dirs;
    TempFolders::writeFile(dirs.settingsFile(), "[Pserver]\nLinesPerPage=1099511627776\nLinesPerPageQ=-5\n"
                                                "TopSpace=-3\nLeftSpace=999\nSignPitch=2\nAutoStartDelay=-1\n"
                                                "Polling=0\nQuietTime=99999999\n");
    const QString file = dirs.settingsFile();
    EXPECT_EQ(readServerNumber(file, keys::LinesPerPage), 80);
    EXPECT_EQ(readServerNumber(file, keys::LinesPerPageQ), 48);
    EXPECT_EQ(readServerNumber(file, keys::TopSpace), 0);
    EXPECT_EQ(readServerNumber(file, keys::LeftSpace), 20);
    EXPECT_EQ(readServerNumber(file, keys::SignPitch), 8);
    EXPECT_EQ(readServerNumber(file, keys::AutoStartDelay), 0);
    EXPECT_EQ(readServerNumber(file, keys::Polling), 0) << "0 still stops polling";
    EXPECT_EQ(readServerNumber(file, keys::QuietTime), 60000);
}
