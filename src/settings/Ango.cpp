#include "settings/Ango.h"

#include "platform/Codepage.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kFirst = 59; // ";", the lowest character of scrambled text
constexpr int kLast = 122; // "z"

int byteAt(const QByteArray& bytes, qsizetype index)
{
    return static_cast<unsigned char>(bytes.at(index));
}

} // namespace

void Cipher::KeyString(const QString& strKey)
{
    m_key = platform::encodeCp932(strKey).bytes;
    m_random = platform::RuntimeRandom();
    m_random.mix(m_random.draw(-1.0f));
    for (const char byte : std::as_const(m_key)) {
        const auto a = static_cast<unsigned char>(byte);
        const float r = m_random.next();
        const float x = -(r * static_cast<float>(a));
        m_random.mix(m_random.draw(x));
    }
}

void Cipher::DoXor()
{
    for (char& byte : m_text) {
        const int k = static_cast<int>(std::floor(m_random.next() * 128.0f));
        byte = static_cast<char>(static_cast<unsigned char>(byte) ^ k);
    }
}

void Cipher::Stretch()
{
    const qsizetype n = m_text.size();
    QByteArray result;
    result.reserve(n + (n + 2) / 3);
    int b = 0;
    for (qsizetype i = 1; i <= n; ++i) {
        const int c = byteAt(m_text, i - 1);
        result.append(static_cast<char>((c & 63) + kFirst));
        switch (i % 3) {
        case 1:
            b |= (c / 64) * 16;
            break;
        case 2:
            b |= (c / 64) * 4;
            break;
        case 0:
            b |= c / 64;
            result.append(static_cast<char>(b + kFirst));
            b = 0;
            break;
        }
    }
    if (n % 3 != 0)
        result.append(static_cast<char>(b + kFirst));
    m_text = result;
}

bool Cipher::Shrink()
{
    const qsizetype n = m_text.size();
    for (const char byte : std::as_const(m_text))
        if (byte < kFirst || byte > kLast)
            return false;
    const qsizetype m = n == 0 ? 0 : (n - 1) - (n - 1) / 4;
    QByteArray result;
    result.reserve(m);
    qsizetype p = 0;
    qsizetype g = 0;
    int h = 0;
    for (qsizetype j = 1; j <= m; ++j) {
        ++p;
        const int v = byteAt(m_text, p - 1) - kFirst;
        int t = 0;
        switch (j % 3) {
        case 1:
            g = std::min(g + 4, n);
            h = byteAt(m_text, g - 1) - kFirst;
            t = (h / 16) & 3;
            break;
        case 2:
            t = (h / 4) & 3;
            break;
        case 0:
            t = h & 3;
            ++p; // the group's collector character
            break;
        }
        result.append(static_cast<char>((t * 64) | v));
    }
    m_text = result;
    return true;
}

QString Encrypt(const QString& text, const QString& key)
{
    if (text.isEmpty())
        return {};
    Cipher cipher;
    cipher.KeyString(key);
    cipher.Text(platform::encodeCp932(text).bytes);
    cipher.DoXor();
    cipher.Stretch();
    return QString::fromLatin1(cipher.Text());
}

QString Decrypt(const QString& text, const QString& key, bool* ok)
{
    const auto fail = [ok] {
        if (ok)
            *ok = false;
        return QString();
    };
    if (ok)
        *ok = true;
    if (text.isEmpty())
        return {};
    // Checked here, before the Latin-1 conversion could turn a character into "?".
    const bool inRange = std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        return c.unicode() >= kFirst && c.unicode() <= kLast;
    });
    if (!inRange)
        return fail();
    Cipher cipher;
    cipher.KeyString(key);
    cipher.Text(text.toLatin1());
    if (!cipher.Shrink())
        return fail();
    cipher.DoXor();
    const QByteArray bytes = cipher.Text();
    QString plain = platform::decodeCp932(bytes);
    // Bytes that are not code page 932, or not as its encoder writes them, did not come from
    // Encrypt.
    if (platform::encodeCp932(plain).bytes != bytes)
        return fail();
    return plain;
}
