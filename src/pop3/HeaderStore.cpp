#include "pop3/HeaderStore.h"

#include "pop3/Base64_shiftJIS.h"

HeaderStore::HeaderStore() : m_tables(std::make_unique<Tables>()) {}

void HeaderStore::storeFields(int n)
{
    if (n < 1 || n > kSlots)
        return;
    Tables& t = *m_tables;
    const QString& reply = t.headerText.at(n);
    t.rawTo.at(n) = ExtractHeaderField(reply, QStringLiteral("To:"));
    t.rawCc.at(n) = ExtractHeaderField(reply, QStringLiteral("Cc:"));
    t.subject.at(n) = DecodeHeaderText(ExtractHeaderField(reply, QStringLiteral("Subject:")));
    t.from.at(n) = DecodeHeaderText(ExtractHeaderField(reply, QStringLiteral("From:")));
    t.to.at(n) = DecodeHeaderText(t.rawTo.at(n));
    t.cc.at(n) = DecodeHeaderText(t.rawCc.at(n));
}

MessageFields HeaderStore::fields(int n) const
{
    const Tables& t = *m_tables;
    return {t.subject.at(n), t.from.at(n), t.to.at(n), t.cc.at(n), t.rawTo.at(n), t.rawCc.at(n)};
}
