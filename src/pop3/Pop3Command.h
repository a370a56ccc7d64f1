#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The commands of the POP3 dialogue, as the engine names and frames them.
namespace pop3 {

// The state: the command most recently sent, in the order of the dialogue.
enum class Command {
    Connect,
    Capa,
    Stls,
    User,
    Pass,
    Auth,
    Stat,
    List,
    Top,
    Recount, // STAT again after pipelined TOPs, before any DELE: are the replies in step?
    Retr,
    HeaderCopy, // TOP n 0 into the keeper, for a message larger than it takes whole
    Dele,
    Quit
};

// The text of CurrentCommand while this command is the last one sent.
QString commandName(Command command);
// Whether the reply runs on to a line "." alone, held whole.
bool isMultiLine(Command command);
// An argument never carries a line break: it would smuggle in a command of its own.
QString withoutLineBreaks(QString text);
// The message count of a STAT reply "+OK count size", capped at 1000; nothing
// when the reply has another form.
std::optional<qint16> statCount(const QByteArray& reply);

} // namespace pop3
