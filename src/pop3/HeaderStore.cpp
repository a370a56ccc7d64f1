#include "pop3/HeaderStore.h"

#include "pop3/Base64_shiftJIS.h"

HeaderStore::HeaderStore() : m_tables(std::make_unique<Tables>()) {}

void HeaderStore::storeFields(int n)
{
    if (n < 1 || n > kSlots)
        return;
    const QString& reply = HeaderText(n);
    MailSubject(n) = DecodeHeaderText(ExtractHeaderField(reply, QStringLiteral("Subject:")));
    MailFrom(n) = DecodeHeaderText(ExtractHeaderField(reply, QStringLiteral("From:")));
    MailTo(n) = DecodeHeaderText(ExtractHeaderField(reply, QStringLiteral("To:")));
    MailCc(n) = DecodeHeaderText(ExtractHeaderField(reply, QStringLiteral("Cc:")));
}
