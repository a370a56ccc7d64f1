#include "pop3/HeaderStore.h"

#include "pop3/Base64_shiftJIS.h"

HeaderStore::HeaderStore() : m_tables(std::make_unique<Tables>()) {}

void HeaderStore::storeFields(int n)
{
    if (n < 1 || n > kSlots)
        return;
    Tables& t = *m_tables;
    static constexpr QStringView names[] = {u"Subject", u"From", u"To", u"Cc"};
    std::vector<QString> values = ExtractHeaderFields(t.headerText.at(n), names);
    t.rawTo.at(n) = std::move(values[2]);
    t.rawCc.at(n) = std::move(values[3]);
    t.rawFrom.at(n) = std::move(values[1]);
    t.subject.at(n) = DecodeHeaderText(values[0]);
    t.from.at(n) = DecodeHeaderText(t.rawFrom.at(n));
    t.to.at(n) = DecodeHeaderText(t.rawTo.at(n));
    t.cc.at(n) = DecodeHeaderText(t.rawCc.at(n));
}

MessageFields HeaderStore::fields(int n) const
{
    const Tables& t = *m_tables;
    return {t.subject.at(n), t.from.at(n),  t.to.at(n),     t.cc.at(n),
            t.rawTo.at(n),   t.rawCc.at(n), t.rawFrom.at(n)};
}
