#pragma once

#include "support/SampleMailbox.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QStringList>

#include <string>

// The activity log a run must write, typed out; "<stamp>" stands for the date and time.

// The lines with each leading date and time of the span from..to (a second either side),
// as Japanese regional settings write it ("2005/03/14 9:05:07"), made "<stamp>".
inline QStringList maskStamps(QStringList lines, const QDateTime& from, const QDateTime& to)
{
    static const QRegularExpression stamp(
        QStringLiteral("^\\d{4}/\\d{2}/\\d{2} \\d{1,2}:\\d{2}:\\d{2}"));
    for (QString& line : lines) {
        const QRegularExpressionMatch match = stamp.match(line);
        const QDateTime when =
            QDateTime::fromString(match.captured(), QStringLiteral("yyyy/MM/dd H:mm:ss"));
        if (match.hasMatch() && when >= from.addSecs(-1) && when <= to.addSecs(1))
            line.replace(0, match.capturedLength(), QStringLiteral("<stamp>"));
    }
    return lines;
}

inline QString stamped(const QString& message)
{
    return QStringLiteral("<stamp>") + message;
}

inline QString deletionLine(const testsupport::SampleMessage& m)
{
    return QStringLiteral("タイトル:") + m.subject + QStringLiteral(" 差出人:") + m.from +
           QStringLiteral(" を削除しました");
}

// The block of one full session on 127.0.0.1 that deletes the marked messages of mailbox.
inline QStringList sessionLines(const QString& user,
                                const QList<testsupport::SampleMessage>& mailbox)
{
    QStringList lines = {
        QString(),
        stamped(QStringLiteral(" 127.0.0.1に　ID:") + user +
                QStringLiteral("でサーバに接続を開始しました")),
        stamped(QStringLiteral(" 127.0.0.1に　ID:") + user +
                QStringLiteral("でサーバに接続しました")),
        QString::number(mailbox.size()) + QStringLiteral("  件のメールがあります"),
        stamped(QStringLiteral("  削除メールを指定条件で検索しています")),
    };
    for (const testsupport::SampleMessage& m : mailbox)
        if (m.expectedDeleted)
            lines.append(deletionLine(m));
    lines.append(stamped(QStringLiteral("  削除メールを指定条件で検索・削除を終了しました")));
    return lines;
}

// The Message-IDs of the messages that are (or are not) expected to be deleted.
inline QStringList idsOf(const QList<testsupport::SampleMessage>& messages, bool deleted)
{
    QStringList ids;
    for (const testsupport::SampleMessage& m : messages)
        if (m.expectedDeleted == deleted)
            ids.append(QString::fromLatin1(m.messageId));
    return ids;
}

// Lines as one text, so that a failed comparison shows a line-by-line difference.
inline std::string asText(const QStringList& lines)
{
    return lines.join(QLatin1Char('\n')).toStdString() + '\n';
}
