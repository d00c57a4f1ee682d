#include "platform/ApplicationIcon.h"
#include "platform/Printers.h"
#include "platform/Profile.h"
#include "platform/RegistryStore.h"
#include "support/TempFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using profile::GetPrivateProfileString;
using profile::WritePrivateProfileString;

namespace {

QString read(const QString& file, const QString& section, const QString& key, const QString& def = {}, int size = 255)
{
    return GetPrivateProfileString(section, key, def, size, file);
}

} // namespace

TEST(Profile, ReadsAHandEditedFileAndNothingThatIsNoSettingsFile)
{
    TempFolders dirs;
    const QString file = TempFolders::writeFile(dirs.root() + "/odd.ini", "; written by hand\r\n"
                                                                          "  [ pserver ]  \r\n"
                                                                          "  signpitch   =   10  \r\n"
                                                                          "Fontname=\"  Courier New  \"\r\n"
                                                                          "Single='x'\r\n"
                                                                          "Mixed=\"x'\r\n"
                                                                          ";Polling=5\r\n"
                                                                          "Empty=\r\n"
                                                                          "[PDevice]\r\n"
                                                                          "SignPitch=99\r\n");
    EXPECT_EQ(read(file, "Pserver", "SignPitch"), "10");
    EXPECT_EQ(read(file, "PSERVER", "  SIGNPITCH "), "10");
    EXPECT_EQ(read(file, "Pserver", "Fontname"), "  Courier New  ") << "quotes go, what they enclose stays";
    EXPECT_EQ(read(file, "Pserver", "Single"), "x");
    EXPECT_EQ(read(file, "Pserver", "Mixed"), "\"x'") << "quotes of two kinds are not a pair";
    EXPECT_EQ(read(file, "Pserver", "Polling", "100"), "100") << "a comment line is no key";
    EXPECT_EQ(read(file, "Pserver", "Empty", "dflt"), "") << "a present empty value is not the default";
    EXPECT_EQ(read(file, "PDevice", "SignPitch"), "99");

    // Missing file, section or key: the default, with trailing blanks only removed. A read
    // fits its buffer.
    const QString a = TempFolders::writeFile(dirs.root() + "/a.ini", "[A]\nx=" + QByteArray(300, 'a') + "\n");
    EXPECT_EQ(read(dirs.root() + "/none.ini", "A", "x", "  d  "), "  d");
    EXPECT_EQ(read(a, "B", "x", "d "), "d");
    EXPECT_EQ(read(a, "A", "y", "d\t"), "d\t") << "only blanks are removed from the default";
    EXPECT_EQ(read(a, "A", "x", {}, 255).size(), 254) << "at most the buffer size minus one";
    EXPECT_EQ(read(a, "A", "y", QString(300, 'b'), 10), QString(9, 'b'));

    // No settings file: a FIFO (which would block the reader), a device, a huge file.
    const QString fifo = dirs.root() + "/fifo.ini";
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString huge = TempFolders::writeFile(dirs.root() + "/huge.ini", "[A]\nx=1\n" + QByteArray(1 << 20, ';'));
    for (const QString& notSettings : {fifo, QStringLiteral("/dev/zero"), huge})
        EXPECT_EQ(read(notSettings, "A", "x", "d"), "d") << notSettings.toStdString();
}

TEST(Profile, WriteReplacesInPlaceAppendsWhatIsMissingKeepsEverythingElseAndIsReadAtOnce)
{
    TempFolders dirs;
    const QString file = TempFolders::writeFile(
        dirs.root() + "/a.ini", "; head\r\n[Pserver]\r\n  SignPitch = 12 \r\n; note\r\nFontname=Arial\r\n"
                                "\r\n[PDevice]\r\nRepeat=0\r\n");
    ASSERT_TRUE(WritePrivateProfileString("PSERVER", "signpitch", " 10", file));
    ASSERT_TRUE(WritePrivateProfileString("Pserver", "Betreff", "Rechnung für Müller", file));
    ASSERT_TRUE(WritePrivateProfileString("Other", "Key", "v", file));
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(),
              "; head\r\n[Pserver]\r\nSignPitch= 10\r\n; note\r\nFontname=Arial\r\n"
              "Betreff=Rechnung f\xc3\xbcr M\xc3\xbcller\r\n\r\n[PDevice]\r\nRepeat=0\r\n\r\n[Other]\r\nKey=v\r\n");
    EXPECT_EQ(read(file, "Pserver", "Betreff"), "Rechnung für Müller");
    EXPECT_FALSE(WritePrivateProfileString("A", "b", "c", dirs.root() + "/missing/dir/a.ini"));

    // A new file; then rewritten at once with the same size, and edited by another program:
    // the reader must never serve the old contents.
    const QString created = dirs.root() + "/new.ini";
    ASSERT_TRUE(WritePrivateProfileString("PDevice", "Printer0", "Pdf-Dokument", created));
    EXPECT_EQ(read(created, "pdevice", "printer0"), "Pdf-Dokument");
    ASSERT_TRUE(WritePrivateProfileString("PDevice", "Printer0", "Pdf-Dokumenu", created));
    EXPECT_EQ(read(created, "PDevice", "Printer0"), "Pdf-Dokumenu");
    TempFolders::writeFile(created, "[PDevice]\nPrinter0=Pdf-DokumenX\n");
    EXPECT_EQ(read(created, "PDevice", "Printer0"), "Pdf-DokumenX");

    // Every other byte stays whatever it is: LF and CR LF mixed, bytes of no encoding, a
    // last line without its end.
    const QString odd = TempFolders::writeFile(dirs.root() + "/odd.ini", "[PDevice]\nRepeat=0\r\nx=\xff\xfe\n# end");
    ASSERT_TRUE(WritePrivateProfileString("PDevice", "Repeat", " 1", odd));
    ASSERT_TRUE(WritePrivateProfileString("PDevice", "Picture", "A.BMP", odd));
    QFile oddWritten(odd);
    ASSERT_TRUE(oddWritten.open(QIODevice::ReadOnly));
    EXPECT_EQ(oddWritten.readAll(), "[PDevice]\nRepeat= 1\r\nx=\xff\xfe\n# end\r\nPicture=A.BMP\r\n");
}

// A write that cannot be completed (here: beyond the process's file size limit, as a full
// disk would stop it) leaves the old file as it was, and nothing else behind.
TEST(Profile, AWriteThatFailsLeavesTheOldFile)
{
    TempFolders dirs;
    const QByteArray before = "[Pserver]\r\nMailPW=geheim\r\n";
    const QString file = TempFolders::writeFile(dirs.root() + "/PS.INI", before);
    struct rlimit old = {};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 64;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const bool written = WritePrivateProfileString("Pserver", "MailText", QString(100, 'x'), file);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    QFile kept(file);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), before);
    EXPECT_EQ(QDir(dirs.root()).entryList(QDir::Files | QDir::Hidden), QStringList{"PS.INI"});
}

using Root = RegistryStore::Root;
using Type = RegistryStore::Type;

TEST(RegistryStore, ValuesRoundTripExactlyUnderCaseInsensitivePathsAndSeparateRoots)
{
    TempFolders dirs;
    const QString file = dirs.config() + "/reg.ini";
    FileRegistryStore store(file);
    EXPECT_FALSE(store.value(Root::CurrentUser, "Software\\X", "v"));
    EXPECT_FALSE(QFileInfo::exists(file)) << "a query must not create the store";
    ASSERT_TRUE(store.setValue(Root::CurrentUser, "Software\\AVM\\Fritz! 2.0\\FAX\\", "Rufnummer",
                               {Type::String, " 030 = 12;34 \"x\" ", 0}));
    ASSERT_TRUE(store.setValue(Root::LocalMachine, "Software\\X", "Count", {Type::DWord, {}, 4000000000u}));

    const auto fax = store.value(Root::CurrentUser, "software\\avm\\FRITZ! 2.0\\fax", "RUFNUMMER");
    ASSERT_TRUE(fax);
    EXPECT_EQ(fax->type, Type::String);
    EXPECT_EQ(fax->text, " 030 = 12;34 \"x\" ") << "blanks, quotes and separators are kept exactly";
    EXPECT_EQ(store.value(Root::LocalMachine, "Software\\X", "count").value_or(RegistryStore::Value{}).dword,
              4000000000u);
    EXPECT_FALSE(store.value(Root::CurrentUser, "Software\\X", "Count")) << "roots are separate";
}

TEST(Printers, SpoolerTitlesAreShortCleanUtf8)
{
    EXPECT_EQ(printers::spoolerTitle("a\tb\nc\x1b"
                                     "d"),
              "abcd")
        << "control characters would make it Untitled";
    EXPECT_EQ(printers::spoolerTitle(QString(300, 'x')).toUtf8().size(), 255);
    const QString umlauts = printers::spoolerTitle(QString(200, QChar(0xE4)));
    EXPECT_EQ(umlauts.size(), 127) << "cut on a character boundary: 254 bytes";
    EXPECT_EQ(printers::spoolerTitle("Fax an Müller GmbH – €"), "Fax an Müller GmbH – €");
}

TEST(ApplicationIcon, TheBuiltInPictureStandsInWhenNoIconThemeHasIt)
{
    // Test runs have no installed icon, so this is the copy built into the program.
    EXPECT_FALSE(applicationIcon().pixmap(QSize(32, 32)).isNull());
}
