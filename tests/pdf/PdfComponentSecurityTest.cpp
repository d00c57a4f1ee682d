#include "Canvas.h"
#include "PdfComponent.h"
#include "PdfTools.h"
#include "TempFolders.h"

#include <gtest/gtest.h>

namespace {

QString makeSecured(const TempFolders& dirs, const QString& name, qint32 code, const QString& owner,
                    const QString& open)
{
    PdfComponent pdf;
    pdf.setPermissionCode(code);
    pdf.setPdfPassword(owner);
    pdf.setPdfSignatur(open);
    pdf.startEngine();
    const QString path = dirs.root() + "/" + name;
    pdf.beginDocument(path);
    pdf.beginPage(595, 842);
    pdf.surface().painter().drawText(50, 50, QStringLiteral("Geheimnis"));
    const PdfOutcome outcome = pdf.endDocument();
    EXPECT_TRUE(outcome.ok()) << outcome.message.toStdString();
    return path;
}

// The "name: allowed/not allowed" lines of qpdf --show-encryption.
QString permission(const QString& shown, const QString& what)
{
    return pdftools::infoValue(shown, what);
}

} // namespace

TEST(PdfComponentSecurity, PermissionCodeFollowsThePrintCopyEditFlags)
{
    EXPECT_EQ(PdfComponent::permissionCode(false, false, false), 0);
    EXPECT_EQ(PdfComponent::permissionCode(true, false, false), 3);
    EXPECT_EQ(PdfComponent::permissionCode(false, true, false), 9);
    EXPECT_EQ(PdfComponent::permissionCode(false, false, true), 5);
    EXPECT_EQ(PdfComponent::permissionCode(true, true, true), 15);
}

TEST(PdfComponentSecurity, CodeZeroWithoutPasswordsGivesAPlainFile)
{
    TempFolders dirs;
    const QString path = makeSecured(dirs, "offen.pdf", 0, {}, {});
    const pdftools::ToolResult shown = pdftools::showEncryption(path);
    ASSERT_TRUE(shown.ok()) << shown.err.toStdString();
    EXPECT_TRUE(shown.out.contains("File is not encrypted")) << shown.out.toStdString();
    EXPECT_TRUE(pdftools::text(path).out.contains("Geheimnis"));
}

TEST(PdfComponentSecurity, PermissionBitsOfTheCodeBecomeTheFilesPermissions)
{
    TempFolders dirs;
    struct Case
    {
        qint32 code;
        const char* print;
        const char* copy;
        const char* modify;
    };
    const Case cases[] = {
        {3, "allowed", "not allowed", "not allowed"},
        {9, "not allowed", "allowed", "not allowed"},
        {5, "not allowed", "not allowed", "allowed"},
        {15, "allowed", "allowed", "allowed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        // Without any password the file opens freely, yet the permissions bind: the
        // owner password is then a random one nobody knows.
        const QString path = makeSecured(dirs, QString("code%1.pdf").arg(c.code), c.code, {}, {});
        const pdftools::ToolResult shown = pdftools::showEncryption(path);
        ASSERT_TRUE(shown.ok()) << shown.err.toStdString();
        EXPECT_EQ(pdftools::infoValue(shown.out, "R", "="), "6") << "AES-256";
        EXPECT_EQ(pdftools::infoValue(shown.out, "User password", "="), "");
        EXPECT_EQ(permission(shown.out, "print high resolution"), c.print) << shown.out.toStdString();
        EXPECT_EQ(permission(shown.out, "print low resolution"), c.print);
        EXPECT_EQ(permission(shown.out, "extract for any purpose"), c.copy);
        EXPECT_EQ(permission(shown.out, "modify other"), c.modify);
        EXPECT_EQ(permission(shown.out, "modify document assembly"), c.modify);
        EXPECT_EQ(permission(shown.out, "extract for accessibility"), "allowed");
        EXPECT_TRUE(pdftools::check(path).ok()) << "opens without a password";
        EXPECT_TRUE(pdftools::text(path).out.contains("Geheimnis"));
    }
}

TEST(PdfComponentSecurity, OpenPasswordIsNeededAndTheOwnerPasswordOpensToo)
{
    TempFolders dirs;
    const QString path = makeSecured(dirs, "zu.pdf", 3, QStringLiteral("Chef-Kennwort"), QStringLiteral("Tür auf"));

    EXPECT_FALSE(pdftools::check(path).ok()) << "no password";
    EXPECT_FALSE(pdftools::check(path, "falsch").ok());
    const pdftools::ToolResult withOpen = pdftools::check(path, QStringLiteral("Tür auf"));
    EXPECT_TRUE(withOpen.ok()) << withOpen.out.toStdString() << withOpen.err.toStdString();
    EXPECT_TRUE(pdftools::check(path, "Chef-Kennwort").ok());
    EXPECT_TRUE(pdftools::text(path, QStringLiteral("Tür auf")).out.contains("Geheimnis"));

    const QString shown = pdftools::showEncryption(path, QStringLiteral("Tür auf")).out;
    EXPECT_EQ(permission(shown, "print high resolution"), "allowed") << shown.toStdString();
    EXPECT_EQ(permission(shown, "modify other"), "not allowed");

    // The owner password alone, code 0: encrypted, and nothing is granted to a reader.
    const QString ownerOnly = makeSecured(dirs, "nurchef.pdf", 0, QStringLiteral("Chef"), {});
    const QString ownerShown = pdftools::showEncryption(ownerOnly).out;
    EXPECT_EQ(pdftools::infoValue(ownerShown, "R", "="), "6") << ownerShown.toStdString();
    EXPECT_EQ(permission(ownerShown, "print high resolution"), "not allowed");
    EXPECT_TRUE(pdftools::check(ownerOnly).ok());
}
