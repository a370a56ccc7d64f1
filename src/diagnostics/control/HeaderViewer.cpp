#include "diagnostics/control/HeaderViewer.h"

#include "pop3/Base64_shiftJIS.h"
#include "pop3/HeaderStore.h"
#include "settings/ActivityLog.h"

HeaderViewer::HeaderViewer(const HeaderStore& store) : m_store(store) {}

std::optional<int> HeaderViewer::messageNumber(const QString& text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok, 10);
    if (!ok || n < kFirst || n > kLast)
        return std::nullopt;
    return n;
}

HeaderViewer::Fields HeaderViewer::Headerdebug() const
{
    // A hostile sender's megabyte Subject would freeze a one-line box.
    return {m_store.HeaderText(m_number), ActivityLog::shown(m_store.MailSubject(m_number)),
            ActivityLog::shown(m_store.MailFrom(m_number)),
            ActivityLog::shown(m_store.MailTo(m_number)),
            ActivityLog::shown(m_store.MailCc(m_number))};
}

std::optional<int> HeaderViewer::show(const QString& typed)
{
    if (const auto n = messageNumber(typed))
        return moveTo(*n);
    return std::nullopt;
}

std::optional<int> HeaderViewer::up(const QString& typed)
{
    const auto n = messageNumber(typed);
    if (!n || *n == m_store.MaxMail || *n == kLast)
        return std::nullopt;
    return moveTo(*n + 1);
}

std::optional<int> HeaderViewer::down(const QString& typed)
{
    const auto n = messageNumber(typed);
    if (!n || *n == kFirst)
        return std::nullopt;
    return moveTo(*n - 1);
}

QString HeaderViewer::subjectOf(const QString& rawHeader)
{
    return DecodeHeaderText(ExtractHeaderField(rawHeader, QStringLiteral("Subject:")));
}

QString HeaderViewer::fromOf(const QString& rawHeader)
{
    return DecodeHeaderText(ExtractHeaderField(rawHeader, QStringLiteral("From:")));
}

std::optional<int> HeaderViewer::moveTo(int n)
{
    m_number = n;
    return n;
}
