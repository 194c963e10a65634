#include "passwords.h"

#include "dberror.h"
#include "tcvn3.h"

#include <QByteArray>

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <string>

namespace korvane {

namespace {

const QLatin1String kPrefix("p1$");
constexpr int kRounds = 100000;
constexpr int kSaltBytes = 16;
constexpr int kHashBytes = 18;
constexpr qsizetype kSaltChars = 22;  // base64 of 16 bytes without its padding
constexpr qsizetype kHashChars = 24;  // base64 of 18 bytes
constexpr qsizetype kStoredChars = 3 + kSaltChars + 1 + kHashChars;

// The password as the files compare text: its TCVN3 bytes with the letters folded to small ones.
// Text that TCVN3 cannot hold (it never comes from a file) keeps its own folded form behind a
// NUL, which no stored text contains, so that it can never equal a stored password.
std::string folded(const QString& text)
{
    const tcvn3::Encoded encoded = tcvn3::encode(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                                                     static_cast<std::size_t>(text.size())));
    if (!encoded.ok()) {
        std::string out(1, '\0');
        out.append(text.toCaseFolded().toStdString());
        return out;
    }
    std::string out = encoded.bytes;
    for (char& c : out) c = static_cast<char>(tcvn3::foldByte(static_cast<unsigned char>(c)));
    return out;
}

QByteArray derive(const std::string& password, const QByteArray& salt)
{
    QByteArray out(kHashBytes, Qt::Uninitialized);
    if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), reinterpret_cast<const unsigned char*>(salt.constData()),
                          static_cast<int>(salt.size()), kRounds, EVP_sha256(), kHashBytes, reinterpret_cast<unsigned char*>(out.data())) != 1)
        throw engine::DbError(engine::ErrEngine, QStringLiteral("Không tính được mã của mật khẩu."));
    return out;
}

QByteArray sha256(const std::string& bytes)
{
    QByteArray out(EVP_MAX_MD_SIZE, Qt::Uninitialized);
    unsigned int size = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), reinterpret_cast<unsigned char*>(out.data()), &size, EVP_sha256(), nullptr) != 1)
        throw engine::DbError(engine::ErrEngine, QStringLiteral("Không tính được mã của mật khẩu."));
    out.truncate(static_cast<qsizetype>(size));
    return out;
}

bool sameBytes(const QByteArray& a, const QByteArray& b)
{
    return a.size() == b.size() && CRYPTO_memcmp(a.constData(), b.constData(), static_cast<std::size_t>(a.size())) == 0;
}

QByteArray base64(const QByteArray& bytes)
{
    return bytes.toBase64(QByteArray::Base64Encoding | QByteArray::OmitTrailingEquals);
}

bool base64Text(QStringView text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (!((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '+' || u == '/')) return false;
    }
    return true;
}

}  // namespace

QString HashPassword(const QString& password)
{
    if (password.isEmpty()) return QString();
    QByteArray salt(kSaltBytes, Qt::Uninitialized);
    if (RAND_bytes(reinterpret_cast<unsigned char*>(salt.data()), kSaltBytes) != 1)
        throw engine::DbError(engine::ErrEngine, QStringLiteral("Không tạo được số ngẫu nhiên để mã hoá mật khẩu."));
    return kPrefix + QString::fromLatin1(base64(salt)) + QLatin1Char('$') + QString::fromLatin1(base64(derive(folded(password), salt)));
}

bool IsPasswordHash(const QString& stored)
{
    return stored.size() == kStoredChars && stored.startsWith(kPrefix) && stored.at(3 + kSaltChars) == QLatin1Char('$') &&
           base64Text(QStringView(stored).mid(3, kSaltChars)) && base64Text(QStringView(stored).mid(4 + kSaltChars));
}

bool VerifyPassword(const QString& typed, const QString& stored)
{
    if (IsPasswordHash(stored)) {
        const QByteArray salt = QByteArray::fromBase64(stored.mid(3, kSaltChars).toLatin1());
        const QByteArray expected = QByteArray::fromBase64(stored.mid(4 + kSaltChars).toLatin1());
        return sameBytes(derive(folded(typed), salt), expected);
    }
    // An old row: the password in clear, compared through digests of equal length.
    return sameBytes(sha256(folded(typed)), sha256(folded(stored)));
}

}  // namespace korvane
