#include "pdf/PdfEncryption.h"

#include <nettle/aes.h>
#include <nettle/cbc.h>
#include <nettle/sha2.h>
#include <sys/random.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

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

// SHA-2 of `bits` (256, 384 or 512): the password hash below takes thousands of them.
std::string sha2(int bits, std::string_view data)
{
    const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
    std::string digest(size_t(bits / 8), '\0');
    auto* out = reinterpret_cast<uint8_t*>(digest.data());
    if (bits == 256) {
        sha256_ctx context;
        sha256_init(&context);
        sha256_update(&context, data.size(), bytes);
        sha256_digest(&context, digest.size(), out);
    } else {
        sha512_ctx context;
        bits == 384 ? sha384_init(&context) : sha512_init(&context);
        sha512_update(&context, data.size(), bytes);
        bits == 384 ? sha384_digest(&context, digest.size(), out) : sha512_digest(&context, digest.size(), out);
    }
    return digest;
}

// AES-128 or -256 (by the key's length) in CBC mode with an initialisation vector, or in
// ECB mode without one, on whole blocks only.
std::string aes(std::string_view key, const std::string* iv, std::string_view data)
{
    const auto* keyBytes = reinterpret_cast<const uint8_t*>(key.data());
    const auto* in = reinterpret_cast<const uint8_t*>(data.data());
    const size_t length = data.size() / Block * Block;
    std::string out(length, '\0');
    auto* outBytes = reinterpret_cast<uint8_t*>(out.data());
    uint8_t chain[Block] = {};
    if (iv)
        std::memcpy(chain, iv->data(), Block);
    if (key.size() == 16) {
        aes128_ctx context;
        aes128_set_encrypt_key(&context, keyBytes);
        iv ? cbc_aes128_encrypt(&context, chain, length, outBytes, in) : aes128_encrypt(&context, length, outBytes, in);
    } else {
        aes256_ctx context;
        aes256_set_encrypt_key(&context, keyBytes);
        iv ? cbc_aes256_encrypt(&context, chain, length, outBytes, in) : aes256_encrypt(&context, length, outBytes, in);
    }
    return out;
}

// The password hash of revision 6: SHA-256 of password and salt (and, for the owner, the
// user entry), then at least 64 rounds in which AES-128 of the repeated input chooses the
// next hash among SHA-256, -384 and -512, until the last byte of a round allows the end.
std::string passwordHash(std::string_view password, std::string_view salt, std::string_view userEntry)
{
    std::string input(password);
    input.append(salt).append(userEntry);
    std::string k = sha2(256, input);
    for (int round = 1;; ++round) {
        std::string once(password);
        once.append(k).append(userEntry);
        std::string repeated;
        repeated.reserve(once.size() * 64);
        for (int i = 0; i < 64; ++i)
            repeated += once;
        const std::string iv = k.substr(16, 16);
        const std::string e = aes(std::string_view(k).substr(0, 16), &iv, repeated);
        // The first 16 bytes as a number modulo 3 equal the sum of the bytes modulo 3.
        int sum = 0;
        for (size_t i = 0; i < Block; ++i)
            sum += static_cast<unsigned char>(e[i]);
        constexpr int next[] = {256, 384, 512};
        k = sha2(next[sum % 3], e);
        if (round >= 64 && static_cast<unsigned char>(e.back()) <= round - 32)
            break;
    }
    k.resize(32);
    return k;
}

} // namespace

PdfEncryption::PdfEncryption(const QString& openPassword, const QString& ownerPassword, quint32 permissions)
    : m_key(std::make_unique<aes256_ctx>()),
      m_permissionsValue(qint32(ReservedPermissionBits | (permissions & ~ReservedPermissionBits & ~3u)))
{
    m_fileKey = randomBytes(32);
    aes256_set_encrypt_key(m_key.get(), reinterpret_cast<const uint8_t*>(m_fileKey.data()));
    const std::string user = passwordBytes(openPassword);
    const std::string owner = passwordBytes(ownerPassword);
    const std::string zeroVector(Block, '\0');

    // Each password gets a salt to check it by and one to unlock the file key with.
    const std::string userCheckSalt = randomBytes(SaltSize);
    const std::string userKeySalt = randomBytes(SaltSize);
    m_user = passwordHash(user, userCheckSalt, {}) + userCheckSalt + userKeySalt;
    m_userKey = aes(passwordHash(user, userKeySalt, {}), &zeroVector, m_fileKey);

    const std::string ownerCheckSalt = randomBytes(SaltSize);
    const std::string ownerKeySalt = randomBytes(SaltSize);
    m_owner = passwordHash(owner, ownerCheckSalt, m_user) + ownerCheckSalt + ownerKeySalt;
    m_ownerKey = aes(passwordHash(owner, ownerKeySalt, m_user), &zeroVector, m_fileKey);

    // The permissions, sealed with the file key: P (little-endian), four bytes of ones,
    // 'T' for encrypted metadata, "adb", four random bytes.
    std::string perms(Block, '\xff');
    for (int i = 0; i < 4; ++i)
        perms[size_t(i)] = char((quint32(m_permissionsValue) >> (8 * i)) & 0xff);
    perms.replace(8, 4, "Tadb");
    perms.replace(12, 4, randomBytes(4));
    m_perms = aes(m_fileKey, nullptr, perms);
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
    // From the system's generator, in batches: every stream and string needs a vector of
    // its own.
    if (m_randomPool.size() < count) {
        constexpr size_t Batch = 4096;
        const size_t before = m_randomPool.size();
        m_randomPool.resize(before + Batch);
        for (size_t filled = 0; filled < Batch;) {
            const ssize_t got = getrandom(m_randomPool.data() + before + filled, Batch - filled, 0);
            if (got < 0 && errno != EINTR)
                throw std::runtime_error("no random numbers from the system");
            filled += got > 0 ? size_t(got) : 0;
        }
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
    const std::string iv = randomBytes(Block);
    std::memcpy(m_chain, iv.data(), Block);
    out += iv;
    m_pending.clear();
}

void PdfEncryption::processBlocks(const char* in, size_t length, std::string& out)
{
    const size_t at = out.size();
    out.resize(at + length);
    cbc_aes256_encrypt(m_key.get(), m_chain, length, reinterpret_cast<uint8_t*>(out.data() + at),
                       reinterpret_cast<const uint8_t*>(in));
}

void PdfEncryption::update(std::string_view plain, std::string& out)
{
    if (!m_pending.empty()) {
        const size_t taken = std::min(Block - m_pending.size(), plain.size());
        m_pending.append(plain.substr(0, taken));
        plain.remove_prefix(taken);
        if (m_pending.size() < Block)
            return;
        processBlocks(m_pending.data(), Block, out);
        m_pending.clear();
    }
    const size_t whole = plain.size() / Block * Block;
    if (whole > 0)
        processBlocks(plain.data(), whole, out);
    m_pending.assign(plain.substr(whole));
}

void PdfEncryption::end(std::string& out)
{
    // PKCS#5: 1 to 16 bytes, each holding their count.
    const size_t padding = Block - m_pending.size();
    m_pending.append(padding, char(padding));
    processBlocks(m_pending.data(), Block, out);
    m_pending.clear();
}
