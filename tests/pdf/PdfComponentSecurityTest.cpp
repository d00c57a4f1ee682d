#include "Canvas.h"
#include "PdfComponent.h"
#include "PdfTools.h"
#include "TempFolders.h"

#include <gtest/gtest.h>

namespace {

QString makeSecured(const TempFolders& dirs, qint32 code, const QString& owner, const QString& open)
{
    PdfComponent pdf;
    pdf.setPermissionCode(code);
    pdf.setPdfPassword(owner);
    pdf.setPdfSignatur(open);
    pdf.startEngine();
    const QString path = dirs.root() + QString("/code%1%2.pdf").arg(code).arg(owner);
    pdf.beginDocument(path);
    pdf.beginPage(595, 842);
    pdf.surface().painter().drawText(50, 50, QStringLiteral("Geheimnis"));
    const PdfOutcome outcome = pdf.endDocument();
    EXPECT_TRUE(outcome.ok()) << outcome.message.toStdString();
    return path;
}

} // namespace

TEST(PdfComponentSecurity, PermissionCodeFromThePrintCopyEditFlags)
{
    EXPECT_EQ(PdfComponent::permissionCode(false, false, false), 0);
    EXPECT_EQ(PdfComponent::permissionCode(true, false, false), 3);
    EXPECT_EQ(PdfComponent::permissionCode(false, true, false), 9);
    EXPECT_EQ(PdfComponent::permissionCode(false, false, true), 5);
    EXPECT_EQ(PdfComponent::permissionCode(true, true, true), 15);
}

TEST(PdfComponentSecurity, CodeZeroWithoutPasswordsIsPlainAndOtherCodesGrantTheirBits)
{
    TempFolders dirs;
    const pdftools::ToolResult plain = pdftools::showEncryption(makeSecured(dirs, 0, {}, {}));
    EXPECT_TRUE(plain.out.contains("File is not encrypted")) << plain.out.toStdString();

    struct Case
    {
        qint32 code;
        const char* print;
        const char* copy;
        const char* modify;
    };
    for (const Case& c :
         {Case{3, "allowed", "not allowed", "not allowed"}, Case{9, "not allowed", "allowed", "not allowed"},
          Case{5, "not allowed", "not allowed", "allowed"}, Case{15, "allowed", "allowed", "allowed"}}) {
        SCOPED_TRACE(c.code);
        // Without passwords the file opens freely, yet the permissions bind: the owner
        // password is then a random one nobody knows.
        const QString path = makeSecured(dirs, c.code, {}, {});
        const QString shown = pdftools::showEncryption(path).out;
        EXPECT_EQ(pdftools::infoValue(shown, "R", "="), "6") << "AES-256";
        EXPECT_EQ(pdftools::infoValue(shown, "print high resolution"), c.print) << shown.toStdString();
        EXPECT_EQ(pdftools::infoValue(shown, "print low resolution"), c.print);
        EXPECT_EQ(pdftools::infoValue(shown, "extract for any purpose"), c.copy);
        EXPECT_EQ(pdftools::infoValue(shown, "modify other"), c.modify);
        EXPECT_EQ(pdftools::infoValue(shown, "modify document assembly"), c.modify);
        EXPECT_EQ(pdftools::infoValue(shown, "extract for accessibility"), "allowed");
        EXPECT_TRUE(pdftools::text(path).out.contains("Geheimnis"));
    }
}

TEST(PdfComponentSecurity, OpenPasswordIsNeededAndTheOwnerPasswordOpensToo)
{
    TempFolders dirs;
    const QString path = makeSecured(dirs, 3, QStringLiteral("Chef-Kennwort"), QStringLiteral("Tür auf"));
    EXPECT_FALSE(pdftools::check(path).ok()) << "no password";
    EXPECT_FALSE(pdftools::check(path, "falsch").ok());
    EXPECT_TRUE(pdftools::check(path, QStringLiteral("Tür auf")).ok());
    EXPECT_TRUE(pdftools::check(path, "Chef-Kennwort").ok());
    EXPECT_TRUE(pdftools::text(path, QStringLiteral("Tür auf")).out.contains("Geheimnis"));
    const QString shown = pdftools::showEncryption(path, QStringLiteral("Tür auf")).out;
    EXPECT_EQ(pdftools::infoValue(shown, "print high resolution"), "allowed") << shown.toStdString();
    EXPECT_EQ(pdftools::infoValue(shown, "modify other"), "not allowed");

    // An owner password alone with code 0 still encrypts, and grants a reader nothing.
    const QString ownerOnly = makeSecured(dirs, 0, QStringLiteral("Chef"), {});
    const QString ownerShown = pdftools::showEncryption(ownerOnly).out;
    EXPECT_EQ(pdftools::infoValue(ownerShown, "R", "="), "6") << ownerShown.toStdString();
    EXPECT_EQ(pdftools::infoValue(ownerShown, "print high resolution"), "not allowed");
    EXPECT_TRUE(pdftools::check(ownerOnly).ok());
}
