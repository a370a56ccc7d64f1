#pragma once

#include <QString>

#include <optional>

class HeaderStore;

// The header viewer's commands on the header store. The viewer keeps a message number
// of its own and never touches the engine's HeaderNo: choosing a message during a run
// must not change which message the engine stores a header under.
class HeaderViewer
{
public:
    static constexpr int kFirst = 1;
    static constexpr int kLast = 1001; // the store's last slot

    // The raw header and the four decoded fields of one message.
    struct Fields
    {
        QString header, subject, from, to, cc;
    };

    explicit HeaderViewer(const HeaderStore& store);

    // A message number typed in the number box: a whole number 1..1001, or nothing.
    static std::optional<int> messageNumber(const QString& text);

    int number() const { return m_number; }
    // The stored fields of the viewer's message.
    Fields Headerdebug() const;

    // "表示": shows the message typed. Nothing happens (nothing) for an unusable number.
    std::optional<int> show(const QString& typed);
    // "UP": the next message, except at MaxMail and at the last slot.
    std::optional<int> up(const QString& typed);
    // "DOWN": the previous message, except at 1.
    std::optional<int> down(const QString& typed);

    // "subject" and "From": the field extracted from raw header text and decoded.
    static QString subjectOf(const QString& rawHeader);
    static QString fromOf(const QString& rawHeader);

private:
    std::optional<int> moveTo(int n);

    const HeaderStore& m_store;
    int m_number = kFirst;
};
