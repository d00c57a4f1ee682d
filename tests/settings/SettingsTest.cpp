#include "settings/JobFiles.h"
#include "settings/JobSettings.h"
#include "settings/ReadingRules.h"
#include "settings/ServerFolders.h"
#include "settings/SettingsKeys.h"
#include "support/TempFolders.h"

#include <QFile>
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

TEST(JobSettings, KeysAreReadByTheRulesWhateverTheirSpelling)
{
    TempFolders dirs;
    JobSettings::load(dirs.settingsFile());
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
    const JobSettings s = JobSettings::load(dirs.settingsFile());
    EXPECT_EQ(s.barCodePitch, 20);
    EXPECT_TRUE(s.pdfShow) << "present but empty is true";
    EXPECT_FALSE(s.pdfMessage);
    EXPECT_EQ(s.watermarkLayer, 1);
    EXPECT_FALSE(s.pdfMayPrint);
    EXPECT_EQ(s.signPitch, 10);
    EXPECT_EQ(s.fontName, "Lucida Console");
    EXPECT_EQ(s.pdfOwnerPassword, "geheim") << "quoted blanks are trimmed by the string rule";
}

// A number is used as typed, however far beyond what the settings window's spin buttons
// offer, unless it lies beyond any value that makes sense: then it is the default, so no
// hand-edited or hostile value costs time or memory.
TEST(JobSettings, NumbersAreUsedAsTypedWithinWideBoundsElseTheDefault)
{
    TempFolders dirs;
    TempFolders::writeFile(dirs.settingsFile(), "[Pserver]\nLinesPerPage=90\nLinesPerPageQ=1099511627776\n"
                                                "TopSpace=-3\nLeftSpace=999\nSignPitch=30\nAutoStartDelay=15000\n"
                                                "Polling=0\nQuietTime=99999999\nBarCodePitch=abc\n");
    const QString file = dirs.settingsFile();
    const JobSettings s = JobSettings::load(file);
    EXPECT_EQ(s.linesPerPage, 90);
    EXPECT_EQ(s.linesPerPageLandscape, 48);
    EXPECT_EQ(s.topSpace, 0);
    EXPECT_EQ(s.leftMargin, 999);
    EXPECT_EQ(s.signPitch, 30);
    EXPECT_EQ(s.autoStartDelay, 15000);
    EXPECT_EQ(s.barCodePitch, 12) << "no number is no pitch";
    EXPECT_EQ(keys::readNumber(file, keys::Polling), 0) << "0 still stops polling";
    EXPECT_EQ(keys::readNumber(file, keys::QuietTime), 300);
}

// A stranger's settings file ("@INI" of a print file from a shared folder) sets how the
// job looks, but where it goes and how mail is sent stay the user's.
TEST(JobSettings, AStrangersFileCannotRedirectOutputOrMail)
{
    TempFolders dirs;
    TempFolders::writeFile(dirs.settingsFile(), "[Pserver]\nPDFFolder=/home/pdf\nSmtpServer=smtp://mail\n"
                                                "MailDelete=0\n[PDevice]\nPrinter0=Pdf-Dokument\n");
    const QString foreign = TempFolders::writeFile(
        dirs.root() + "/fremd.ini", "[Pserver]\nPDFFolder=/tmp/public\nSmtpServer=smtp://evil\nMailName=x\n"
                                    "MailPW=y\nMailFrom=a@evil\nMailDirect=1\nMailDelete=1\nSignPitch=10\n"
                                    "[PDevice]\nPrinter0=e-Mail\nExemplare0=3\n");
    const JobSettings stranger = JobSettings::load(dirs.settingsFile(), foreign, JobSettings::Origin::Stranger, false);
    EXPECT_EQ(stranger.pdfFolder, "/home/pdf");
    EXPECT_EQ(stranger.smtpServer, "smtp://mail");
    EXPECT_TRUE(stranger.mailName.isEmpty() && stranger.mailPassword.isEmpty() && stranger.mailFrom.isEmpty());
    EXPECT_FALSE(stranger.mailDirect || stranger.mailDeletePdf);
    EXPECT_EQ(stranger.destination, "Pdf-Dokument");
    EXPECT_EQ(stranger.signPitch, 10);
    EXPECT_EQ(stranger.copies, "3");
    EXPECT_FALSE(stranger.dialogStateWritable);

    const JobSettings user = JobSettings::load(dirs.settingsFile(), foreign, JobSettings::Origin::User, true);
    EXPECT_EQ(user.pdfFolder, "/tmp/public");
    EXPECT_EQ(user.destination, "e-Mail");
    EXPECT_TRUE(user.mailDirect && user.mailDeletePdf);
}

// Files a job names are found the way its DOS program names them, and only where it may
// reach them.
class JobFileNames : public ::testing::Test
{
protected:
    TempFolders dirs;
    QString dosC = dirs.root() + "/dosc";
    QString secret = TempFolders::writeFile(dirs.root() + "/home/.ssh/id_rsa", "geheim");
    JobFiles files(bool trusted = false) const
    {
        return JobFiles(DriveMap::read(dirs.settingsFile(), dirs.appData()), dirs.appData(), serverfolders::ownFiles(),
                        trusted);
    }
    void SetUp() override
    {
        TempFolders::writeFile(dirs.appData() + "/Texte/mail.txt", "Hallo");
        TempFolders::writeFile(dosC + "/FIRMA/logo.bmp", "BM");
        dirs.setSetting("Laufwerke", "C", dosC);
    }
};

TEST_F(JobFileNames, DosNamesAreFoundOnTheirDrivesWhateverTheirCase)
{
    const QString mail = QFileInfo(dirs.appData() + "/Texte/mail.txt").canonicalFilePath();
    for (const QString& name : {QStringLiteral("D:\\TEXTE\\MAIL.TXT"), QStringLiteral("d:texte/Mail.txt"),
                                QStringLiteral("TEXTE\\MAIL.TXT"), QStringLiteral("\\Texte\\mail.txt"), mail})
        EXPECT_EQ(files().find(name).path, mail) << name.toStdString();
    EXPECT_EQ(files().find("C:\\firma\\LOGO.BMP").path, QFileInfo(dosC + "/FIRMA/logo.bmp").canonicalFilePath());
    EXPECT_EQ(files().find("E:\\X.TXT").problem, "Laufwerk E: ist keinem Ordner zugeordnet ([Laufwerke] in PS.INI)");
    EXPECT_EQ(files().find("D:\\TEXTE\\FEHLT.TXT").problem, "nicht gefunden");
}

TEST_F(JobFileNames, NothingOutsideTheDrivesUnlessTrustedAndTheServersOwnFilesNever)
{
    dirs.setSetting("Pserver", "MailPW", "geheim");
    TempFolders::writeFile(dirs.appData() + "/spool/job-0000000001.dat", "x");
    QFile::link(secret, dirs.appData() + "/link.txt");
    for (const QString& name : {secret, QStringLiteral("D:\\..\\home\\.ssh\\id_rsa"), QStringLiteral("D:\\LINK.TXT"),
                                QStringLiteral("/etc/passwd")})
        EXPECT_FALSE(files().find(name).ok()) << name.toStdString();
    EXPECT_TRUE(files(true).find(secret).ok()) << "TrustPrintFiles=1 reaches any file the user can read";
    for (const QString& own :
         {QStringLiteral("D:\\PS.INI"), QStringLiteral("spool\\job-0000000001.dat"), dirs.settingsFile()})
        EXPECT_EQ(files(true).find(own).problem, "gehört dem Druckserver") << own.toStdString();
    // Only a settings file the user keeps may hold the dialog's choices.
    EXPECT_TRUE(files().mayWriteSettings(files().place("D:\\FIRMA.INI").path));
    EXPECT_FALSE(files(true).mayWriteSettings(QFileInfo(secret).canonicalFilePath()));
}
