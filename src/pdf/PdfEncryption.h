#pragma once

#include "pdf/PdfObject.h"

#include <QString>

#include <memory>
#include <string>
#include <string_view>

struct aes256_ctx;

// PDF's standard security with AES-256 (revision 6 of the standard security handler):
// one random file key encrypts every string and stream of the document; the open
// password and the owner password each unlock a copy of that key, and the permissions
// are bound to it so that they cannot be changed without the owner password.
//
// Strings and streams are encrypted alike: a random 16-byte initialisation vector, then
// the data in AES-256-CBC with the file key, padded to whole blocks (PKCS#5). A stream is
// encrypted as it is written, piece by piece, so its data is never held whole.
class PdfEncryption
{
public:
    // The bits of the permissions value, numbered from 1 as PDF numbers them.
    enum Permission : quint32
    {
        Print = 1u << 2,
        ModifyOther = 1u << 3,
        Extract = 1u << 4,
        Annotate = 1u << 5,
        FillForms = 1u << 8,
        ExtractForAccessibility = 1u << 9,
        Assemble = 1u << 10,
        PrintHighResolution = 1u << 11,
    };

    // Passwords are used as UTF-8, at most 127 bytes of it. An empty open password lets
    // anyone open the document; the permissions then bind everyone without the owner
    // password.
    PdfEncryption(const QString& openPassword, const QString& ownerPassword, quint32 permissions);
    ~PdfEncryption();
    PdfEncryption(const PdfEncryption&) = delete;
    PdfEncryption& operator=(const PdfEncryption&) = delete;

    // The document's /Encrypt dictionary. It is written as it is: its own strings are
    // never encrypted.
    PdfObject dictionary() const;
    // The permissions value /P, as PDF stores it (a signed 32-bit number).
    qint32 permissionsValue() const { return m_permissionsValue; }

    // A string encrypted whole.
    std::string encrypt(std::string_view plain);
    // The size of `plainSize` bytes once encrypted: the vector plus the padded blocks.
    static qint64 encryptedSize(qint64 plainSize) { return 16 + (plainSize / 16 + 1) * 16; }

    // A stream encrypted piece by piece: begin(), any number of update()s, end(); each
    // appends what it has encrypted to `out`. One stream at a time.
    void begin(std::string& out);
    void update(std::string_view plain, std::string& out);
    void end(std::string& out);

private:
    void processBlocks(const char* in, size_t length, std::string& out);
    std::string randomBytes(size_t count);

    std::unique_ptr<aes256_ctx> m_key; // the file key, expanded
    std::string m_fileKey;
    std::string m_randomPool;
    qint32 m_permissionsValue = 0;
    std::string m_user, m_userKey, m_owner, m_ownerKey, m_perms; // the dictionary's strings
    std::string m_pending;                                       // bytes of a stream not yet a whole block
    unsigned char m_chain[16] = {};                              // the stream's cipher block chain
};
