#pragma once

#include "platform/RuntimeRandom.h"

#include <QByteArray>
#include <QString>

// Keyed scrambling of the stored server name, account name and password: every
// byte is XORed with a stream drawn from the runtime generator seeded by the key,
// then spread over the printable characters ";" to "z", four for every three.
// Works on the code-page-932 bytes of the text.

class Cipher
{
public:
    // Stores the key and runs the key setup, which reseeds the generator fully.
    void KeyString(const QString& strKey);
    void Text(const QByteArray& strText) { m_text = strText; }
    QByteArray Text() const { return m_text; }

    void DoXor();
    void Stretch();
    // Fails (returns false, text unchanged) on a character outside ";" to "z".
    [[nodiscard]] bool Shrink();

private:
    QByteArray m_key;
    QByteArray m_text;
    // This cipher's own generator, so that no other user of the runtime's can disturb it.
    platform::RuntimeRandom m_random;
};

// Scrambles text; the text must be representable in code page 932 (the settings
// writer checks that first); the empty text gives the empty text.
QString Encrypt(const QString& text, const QString& key);
// Unscrambles; *ok is false when the text did not come from Encrypt (a character
// outside ";" to "z", or bytes that are not code page 932).
QString Decrypt(const QString& text, const QString& key, bool* ok = nullptr);

namespace ango {
inline constexpr char16_t kHostKey[] = u"HostField";
inline constexpr char16_t kUserKey[] = u"UserF";
inline constexpr char16_t kPasswordKey[] = u"SecretField";
} // namespace ango
