#include "pdf/PdfEncryption.h"

#include <qpdf/QPDFCryptoImpl.hh>
#include <qpdf/QPDFCryptoProvider.hh>

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t Block = 16;
constexpr size_t SaltSize = 8;
// Bits 7, 8 and 13 to 32 of the permissions value are reserved and must be set.
constexpr quint32 ReservedPermissionBits = 0xFFFFF0C0u;

std::string passwordBytes(const QString& password)
{
    QByteArray utf8 = password.toUtf8();
    utf8.truncate(127);
    return utf8.toStdString();
}

// SHA-2 of `bits` (256, 384 or 512) through the crypto provider: the password hash below
// takes thousands of them, and the provider's are several times faster than Qt's.
std::string sha2(QPDFCryptoImpl& crypto, int bits, std::string_view data)
{
    crypto.SHA2_init(bits);
    crypto.SHA2_update(reinterpret_cast<const unsigned char*>(data.data()), data.size());
    crypto.SHA2_finalize();
    return crypto.SHA2_digest();
}

// AES in CBC mode (with an initialisation vector) or ECB (without), on whole blocks only.
std::string aes(QPDFCryptoImpl& crypto, std::string_view key, const std::string* iv, std::string_view data)
{
    unsigned char chain[Block] = {};
    if (iv)
        std::memcpy(chain, iv->data(), Block);
    crypto.rijndael_init(true, reinterpret_cast<const unsigned char*>(key.data()), key.size(), iv != nullptr, chain);
    std::string out(data.size(), '\0');
    for (size_t at = 0; at + Block <= data.size(); at += Block) {
        unsigned char in[Block];
        std::memcpy(in, data.data() + at, Block);
        crypto.rijndael_process(in, reinterpret_cast<unsigned char*>(out.data() + at));
    }
    crypto.rijndael_finalize();
    return out;
}

// The password hash of revision 6: SHA-256 of password and salt (and, for the owner, the
// user entry), then at least 64 rounds in which AES-128 of the repeated input chooses the
// next hash among SHA-256, -384 and -512, until the last byte of a round allows the end.
std::string passwordHash(QPDFCryptoImpl& crypto, std::string_view password, std::string_view salt,
                         std::string_view userEntry)
{
    std::string input(password);
    input.append(salt).append(userEntry);
    std::string k = sha2(crypto, 256, input);
    for (int round = 1;; ++round) {
        std::string once(password);
        once.append(k).append(userEntry);
        std::string repeated;
        repeated.reserve(once.size() * 64);
        for (int i = 0; i < 64; ++i)
            repeated += once;
        const std::string iv = k.substr(16, 16);
        const std::string e = aes(crypto, std::string_view(k).substr(0, 16), &iv, repeated);
        // The first 16 bytes as a number modulo 3 equal the sum of the bytes modulo 3.
        int sum = 0;
        for (size_t i = 0; i < Block; ++i)
            sum += static_cast<unsigned char>(e[i]);
        constexpr int next[] = {256, 384, 512};
        k = sha2(crypto, next[sum % 3], e);
        if (round >= 64 && static_cast<unsigned char>(e.back()) <= round - 32)
            break;
    }
    k.resize(32);
    return k;
}

} // namespace

PdfEncryption::PdfEncryption(const QString& openPassword, const QString& ownerPassword, quint32 permissions)
    : m_crypto(QPDFCryptoProvider::getImpl()),
      m_permissionsValue(qint32(ReservedPermissionBits | (permissions & ~ReservedPermissionBits & ~3u)))
{
    m_fileKey = randomBytes(32);
    const std::string user = passwordBytes(openPassword);
    const std::string owner = passwordBytes(ownerPassword);
    const std::string zeroVector(Block, '\0');

    // Each password gets a salt to check it by and one to unlock the file key with.
    const std::string userCheckSalt = randomBytes(SaltSize);
    const std::string userKeySalt = randomBytes(SaltSize);
    m_user = passwordHash(*m_crypto, user, userCheckSalt, {}) + userCheckSalt + userKeySalt;
    m_userKey = aes(*m_crypto, passwordHash(*m_crypto, user, userKeySalt, {}), &zeroVector, m_fileKey);

    const std::string ownerCheckSalt = randomBytes(SaltSize);
    const std::string ownerKeySalt = randomBytes(SaltSize);
    m_owner = passwordHash(*m_crypto, owner, ownerCheckSalt, m_user) + ownerCheckSalt + ownerKeySalt;
    m_ownerKey = aes(*m_crypto, passwordHash(*m_crypto, owner, ownerKeySalt, m_user), &zeroVector, m_fileKey);

    // The permissions, sealed with the file key: P (little-endian), four bytes of ones,
    // 'T' for encrypted metadata, "adb", four random bytes.
    std::string perms(Block, '\xff');
    for (int i = 0; i < 4; ++i)
        perms[size_t(i)] = char((quint32(m_permissionsValue) >> (8 * i)) & 0xff);
    perms.replace(8, 4, "Tadb");
    perms.replace(12, 4, randomBytes(4));
    m_perms = aes(*m_crypto, m_fileKey, nullptr, perms);
}

PdfEncryption::~PdfEncryption() = default;

PdfObject PdfEncryption::dictionary() const
{
    using O = PdfObject;
    const O filter =
        O::dictionary({{"AuthEvent", O::name("DocOpen")}, {"CFM", O::name("AESV3")}, {"Length", O::integer(32)}});
    return O::dictionary({{"Filter", O::name("Standard")},
                          {"V", O::integer(5)},
                          {"R", O::integer(6)},
                          {"Length", O::integer(256)},
                          {"CF", O::dictionary({{"StdCF", filter}})},
                          {"StmF", O::name("StdCF")},
                          {"StrF", O::name("StdCF")},
                          {"O", O::string(m_owner)},
                          {"OE", O::string(m_ownerKey)},
                          {"U", O::string(m_user)},
                          {"UE", O::string(m_userKey)},
                          {"P", O::integer(m_permissionsValue)},
                          {"Perms", O::string(m_perms)},
                          {"EncryptMetadata", O::boolean(true)}});
}

std::string PdfEncryption::randomBytes(size_t count)
{
    // From the crypto provider's generator, in batches: every stream and string needs a
    // vector of its own, and the processor's random instruction, which the system
    // generator uses for every byte, is slow in virtual machines.
    if (m_randomPool.size() < count) {
        constexpr size_t Batch = 4096;
        const size_t before = m_randomPool.size();
        m_randomPool.resize(before + Batch);
        m_crypto->provideRandomData(reinterpret_cast<unsigned char*>(m_randomPool.data() + before), Batch);
    }
    std::string bytes = m_randomPool.substr(m_randomPool.size() - count);
    m_randomPool.resize(m_randomPool.size() - count);
    return bytes;
}

std::string PdfEncryption::encrypt(std::string_view plain)
{
    std::string out;
    out.reserve(size_t(encryptedSize(qint64(plain.size()))));
    begin(out);
    update(plain, out);
    end(out);
    return out;
}

void PdfEncryption::begin(std::string& out)
{
    // The provider may work on the vector in place until the stream ends.
    const std::string iv = randomBytes(Block);
    std::memcpy(m_chain, iv.data(), Block);
    m_crypto->rijndael_init(true, reinterpret_cast<const unsigned char*>(m_fileKey.data()), m_fileKey.size(), true,
                            m_chain);
    out += iv;
    m_pending.clear();
}

void PdfEncryption::processBlock(const unsigned char* in, std::string& out)
{
    unsigned char block[Block];
    std::memcpy(block, in, Block);
    const size_t at = out.size();
    out.resize(at + Block);
    m_crypto->rijndael_process(block, reinterpret_cast<unsigned char*>(out.data() + at));
}

void PdfEncryption::update(std::string_view plain, std::string& out)
{
    if (!m_pending.empty()) {
        const size_t taken = std::min(Block - m_pending.size(), plain.size());
        m_pending.append(plain.substr(0, taken));
        plain.remove_prefix(taken);
        if (m_pending.size() < Block)
            return;
        processBlock(reinterpret_cast<const unsigned char*>(m_pending.data()), out);
        m_pending.clear();
    }
    out.reserve(out.size() + plain.size());
    for (; plain.size() >= Block; plain.remove_prefix(Block))
        processBlock(reinterpret_cast<const unsigned char*>(plain.data()), out);
    m_pending.assign(plain);
}

void PdfEncryption::end(std::string& out)
{
    // PKCS#5: 1 to 16 bytes, each holding their count.
    const size_t padding = Block - m_pending.size();
    m_pending.append(padding, char(padding));
    processBlock(reinterpret_cast<const unsigned char*>(m_pending.data()), out);
    m_pending.clear();
    m_crypto->rijndael_finalize();
}
