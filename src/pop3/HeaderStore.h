#pragma once

#include "rules/DeletionRules.h"

#include <QString>

#include <array>
#include <memory>

// The headers of the server in use, by POP3 message number: slot n holds message n.
// Text slots run 1..1001, EraseList 0..1000. Nothing clears the tables between
// servers; a slot is emptied just before its TOP command and overwritten when its
// reply completes.
class HeaderStore
{
public:
    static constexpr int kMaxMessages = 1000;
    static constexpr int kSlots = 1001;

    HeaderStore();

    // Raw reply text and decoded fields, slots 1..kSlots (slot 0 unused).
    QString& HeaderText(int n) { return m_tables->headerText.at(n); }
    QString& MailSubject(int n) { return m_tables->subject.at(n); }
    QString& MailFrom(int n) { return m_tables->from.at(n); }
    QString& MailTo(int n) { return m_tables->to.at(n); }
    QString& MailCc(int n) { return m_tables->cc.at(n); }
    const QString& HeaderText(int n) const { return m_tables->headerText.at(n); }
    const QString& MailSubject(int n) const { return m_tables->subject.at(n); }
    const QString& MailFrom(int n) const { return m_tables->from.at(n); }
    const QString& MailTo(int n) const { return m_tables->to.at(n); }
    const QString& MailCc(int n) const { return m_tables->cc.at(n); }
    // To and Cc as received, for the own-address rules when decoding fails.
    QString& rawTo(int n) { return m_tables->rawTo.at(n); }
    QString& rawCc(int n) { return m_tables->rawCc.at(n); }
    QString& rawFrom(int n) { return m_tables->rawFrom.at(n); }
    // Slot n as the rules read it.
    MessageFields fields(int n) const;

    // Message numbers marked for deletion, in marking order; the first MaxEraseNo are valid.
    qint16& EraseList(int index) { return m_tables->eraseList.at(index); }
    qint16 EraseList(int index) const { return m_tables->eraseList.at(index); }

    qint16 MaxMail = 0;    // messages on the server in use, capped at 1000
    qint16 HeaderNo = 0;   // message whose header is being fetched
    qint16 MaxEraseNo = 0; // messages marked for deletion

    // The store update for a completed reply: Subject, From, To and Cc of message n
    // extracted from HeaderText(n), decoded and stored, To and Cc also as received.
    void storeFields(int n);

private:
    struct Tables
    {
        std::array<QString, kSlots + 1> headerText, subject, from, to, cc, rawTo, rawCc, rawFrom;
        std::array<qint16, kMaxMessages + 1> eraseList{};
    };
    std::unique_ptr<Tables> m_tables;
};
