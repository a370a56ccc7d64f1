// The POP3 dialogue with one server, all of its rules in this file. The engine does
// no I/O of its own: bytes arrive from the TcpClient, ticks from the two timers, and
// it answers with command lines, log lines and monitor text. Replies are framed by
// lines (ReplyFramer); the next command is sent as soon as its reply is complete,
// from a deferred call, and Timer1's 100 ms tick sends too should one be waiting.
// Deletions are only ever made final by the server acknowledging QUIT, and QUIT is
// never sent once anything has gone wrong; the log says a message was deleted only
// after that acknowledgement.

#include "pop3/Pop3Session.h"

#include "platform/Codepage.h"
#include "pop3/Capabilities.h"
#include "pop3/Pop3LogLines.h"
#include "pop3/ReplyFramer.h"
#include "rules/DeletionRules.h"
#include "settings/ActivityLog.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

// The state: the command most recently sent, in the order of the dialogue.
enum class Command { Connect, Capa, Stls, User, Pass, Stat, List, Top, Dele, Quit };

QString commandName(Command command)
{
    switch (command) {
    case Command::Connect:
        return QStringLiteral("connect");
    case Command::Capa:
        return QStringLiteral("CAPA ");
    case Command::Stls:
        return QStringLiteral("STLS ");
    case Command::User:
        return QStringLiteral("USER ");
    case Command::Pass:
        return QStringLiteral("PASS ");
    case Command::Stat:
        return QStringLiteral("STAT ");
    case Command::List:
        return QStringLiteral("LIST ");
    case Command::Top:
        return QStringLiteral("TOP ");
    case Command::Dele:
        return QStringLiteral("DELE ");
    case Command::Quit:
        return QStringLiteral("QUIT ");
    }
    return {};
}

bool isMultiLine(Command command)
{
    return command == Command::Capa || command == Command::List || command == Command::Top;
}

// An argument never carries a line break: it would smuggle in a command of its own.
QString withoutLineBreaks(QString text)
{
    text.remove(QLatin1Char('\r'));
    text.remove(QLatin1Char('\n'));
    return text;
}

const QString kCrLf = QStringLiteral("\r\n");
const QString kHiddenPass = QStringLiteral("PASS *******");

// The message count of a STAT reply "+OK count size", capped at 1000; nothing
// when the reply has another form.
std::optional<qint16> statCount(const QByteArray& reply)
{
    static const QRegularExpression form(
        QStringLiteral("^\\+OK ([0-9]+) [0-9]+( [^\\r\\n]*)?\\r\\n$"));
    const QRegularExpressionMatch match = form.match(QString::fromLatin1(reply));
    if (!match.hasMatch())
        return std::nullopt;
    QStringView digits = match.capturedView(1);
    while (digits.size() > 1 && digits.front() == QLatin1Char('0'))
        digits = digits.mid(1);
    if (digits.size() > 4)
        return HeaderStore::kMaxMessages;
    return static_cast<qint16>(std::min(digits.toInt(), int(HeaderStore::kMaxMessages)));
}

} // namespace

struct Pop3Session::Private
{
    Private(Pop3Session& session, platform::EventLoop& eventLoop, platform::TcpClient& tcp,
            HeaderStore& headers, const ActivityLog& activityLog)
        : q(session), loop(eventLoop), socket(tcp), store(headers), log(activityLog),
          timer1(eventLoop.createTimer(100)), timer2(eventLoop.createTimer(30000))
    {}

    // Events in.
    void onData(const QByteArray& bytes);
    void onSocketError(int number);
    void onWatchdog();
    void onEncrypted();
    void onTlsFailure(const platform::TlsFailure& failure);
    void sendNext();

    // Replies.
    void processReplies();
    void onReply(const ReplyFramer::Reply& reply);
    void storeHeader(const QString& text);
    void scheduleSend();

    // Commands and the steps between them.
    void send(Command next, int number = 0);
    void afterGreeting();
    void afterCapa();
    void afterPass();
    void afterStat();
    void afterList();
    void afterTop();
    void afterDele();
    void afterQuit();
    void fetchHeader(qint16 number);
    void evaluateRules();
    void deleteOrQuit();
    void logDeletions(pop3log::Deletion outcome);

    // Ends.
    void serverErrorEnd(const QByteArray& reply, const QString& breach = {});
    void endBeforeConnecting(const QString& message);
    void stopSession();
    void closeSocket();
    void armWatchdog();

    Pop3Session& q;
    platform::EventLoop& loop;
    platform::TcpClient& socket;
    HeaderStore& store;
    const ActivityLog& log;
    std::unique_ptr<platform::Timer> timer1;
    std::unique_ptr<platform::Timer> timer2;
    CommandMonitor silentMonitor;
    HeaderViewerSink silentViewer;
    CommandMonitor* monitor = &silentMonitor;
    HeaderViewerSink* viewer = &silentViewer;

    ReplyFramer framer;
    Command command = Command::Connect;
    QByteArray lastReply;    // the reply the sender acts on (STAT is parsed from it)
    qint16 fetching = 0;     // the message whose header is awaited; the viewer may move HeaderNo
    bool socketOpen = false; // notifications only count while the session's socket is open
    bool ended = true;       // no session, or it has reached an end state
    QStringList marked;      // the rules' texts of the marked messages, until the outcome
    bool outcomePending = false; // the rules have run and their outcome is not logged yet
    ConnectionSecurity security = ConnectionSecurity::None;
    QByteArray pin;
    bool handshaking = false; // STLS accepted: every byte until the handshake ends is dropped
    bool encrypted = false;
    bool preview = false; // this session judges only: no DELE
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);
};

// ---- Events in -------------------------------------------------------------------------

void Pop3Session::Private::onData(const QByteArray& bytes)
{
    if (!socketOpen || handshaking)
        return;
    framer.append(bytes);
    processReplies();
}

void Pop3Session::Private::onSocketError(int number)
{
    if (!socketOpen)
        return;
    // A server that closes right after acknowledging QUIT has done its part.
    if (command == Command::Quit && q.ReplyReady == True)
        return;
    // A server that says why and closes at once may leave out the line end.
    const QByteArray lastWords = ended ? QByteArray() : framer.partialLine();
    if (lastWords.startsWith("-ERR")) {
        serverErrorEnd(lastWords);
        return;
    }
    q.Pop3ErrorFlag = True;
    closeSocket();
    const QString message = pop3log::socketError(number);
    monitor->appendTranscript(message + kCrLf);
    monitor->setStatus(message); // not the last command's text until the watchdog fires
    if (lastWords.isEmpty())
        log.writeStamped(message);
    else
        log.writeLines({platform::decodeCp932(lastWords), log.stamp() + message});
    // The timers run on: the watchdog ends the session with its own line, unless a
    // reply already waits, in which case the sender ends it.
}

void Pop3Session::Private::onWatchdog()
{
    if (q.RuleCheckBusy == True)
        return;
    q.Pop3ErrorFlag = True;
    stopSession();
    log.writeStamped(pop3log::transferTimeout());
    monitor->hideMonitor();
}

void Pop3Session::Private::onEncrypted()
{
    if (!socketOpen || ended)
        return;
    encrypted = true;
    if (!handshaking)
        return; // implicit TLS: the greeting comes next
    handshaking = false;
    framer.reset();
    send(Command::Capa); // what the server offered in clear counts for nothing
}

// The certificate or the handshake failed: nothing was sent over the connection.
void Pop3Session::Private::onTlsFailure(const platform::TlsFailure& failure)
{
    if (!socketOpen || ended)
        return;
    q.Pop3ErrorFlag = True;
    stopSession();
    const QString message = pop3log::certificateRefused(q.Pop3Server, failure.reason);
    monitor->appendTranscript(message + kCrLf);
    monitor->appendTranscript(QStringLiteral("ERROR!!") + kCrLf);
    monitor->setStatus(QStringLiteral("Error"));
    log.writeLines({log.stamp() + message, pop3log::certificateFingerprint(failure.sha256)});
}

// The command sender: acts on a complete reply, once.
void Pop3Session::Private::sendNext()
{
    if (ended) {
        timer1->stop(); // started by a caller after the session had already ended
        return;
    }
    if (q.ReplyReady != True)
        return;
    q.ReplyReady = False;
    if (q.Pop3ErrorFlag == True) {
        monitor->appendTranscript(QStringLiteral("Error!!") + kCrLf);
        monitor->setStatus(QStringLiteral("Error!!"));
        stopSession();
        return;
    }
    timer2->stop();
    switch (command) {
    case Command::Connect:
        afterGreeting();
        break;
    case Command::Capa:
        afterCapa();
        break;
    case Command::Stls:
        armWatchdog(); // the handshake has the watchdog's time
        socket.startTls(pin);
        break;
    case Command::User:
        send(Command::Pass);
        break;
    case Command::Pass:
        afterPass();
        break;
    case Command::Stat:
        afterStat();
        break;
    case Command::List:
        afterList();
        break;
    case Command::Top:
        afterTop();
        break;
    case Command::Dele:
        afterDele();
        break;
    case Command::Quit:
        afterQuit();
        break;
    }
    processReplies(); // the next reply may have arrived together with the last one
}

// ---- Replies ---------------------------------------------------------------------------

void Pop3Session::Private::processReplies()
{
    // A complete reply still waiting for the sender is looked past, so that bytes
    // sent after it end the session before they can pass for the next reply.
    while (socketOpen && !ended) {
        if (command == Command::Quit && q.ReplyReady == True)
            return; // the server has committed; what it adds changes nothing
        const std::optional<ReplyFramer::Reply> reply = framer.next();
        if (!reply)
            return;
        onReply(*reply);
    }
}

void Pop3Session::Private::onReply(const ReplyFramer::Reply& reply)
{
    const QString text = platform::decodeCp932(reply.text);
    switch (reply.kind) {
    case ReplyFramer::Kind::Stray:
        monitor->appendTranscript(text + kCrLf);
        return;
    case ReplyFramer::Kind::Err:
        if (command == Command::Capa) {
            // "-ERR" to CAPA: a server with no capabilities to tell.
            timer2->stop();
            monitor->appendTranscript(text + kCrLf);
            lastReply = QByteArray();
            q.ReplyReady = True;
            scheduleSend();
            return;
        }
        serverErrorEnd(reply.text);
        return;
    case ReplyFramer::Kind::Unsolicited:
        serverErrorEnd(reply.text, QStringLiteral("要求していないデータを受信"));
        return;
    case ReplyFramer::Kind::LineTooLong:
        serverErrorEnd(reply.text, QStringLiteral("64KBを超える行"));
        return;
    case ReplyFramer::Kind::ReplyTooLong:
        serverErrorEnd(reply.text, QStringLiteral("4MBを超える応答"));
        return;
    case ReplyFramer::Kind::Ok:
        break;
    }
    timer2->stop();
    monitor->appendTranscript(text + kCrLf);
    lastReply = reply.text;
    if (command == Command::Stls) {
        // Whatever follows "+OK" in clear may be an attacker's: dropped, with all
        // that arrives until the handshake is over.
        handshaking = true;
        framer.reset();
    }
    if (command == Command::Top)
        storeHeader(text);
    else if (command == Command::List)
        q.ReplyComplete = True;
    q.ReplyReady = True;
    scheduleSend();
}

void Pop3Session::Private::storeHeader(const QString& text)
{
    store.HeaderText(fetching) = text;
    viewer->refreshFromEngine(store.HeaderText(1), ActivityLog::shown(store.MailSubject(1)),
                              ActivityLog::shown(store.MailFrom(1)),
                              ActivityLog::shown(store.MailTo(1)));
    q.ReplyComplete = True;
    store.storeFields(fetching);
}

void Pop3Session::Private::scheduleSend()
{
    loop.defer([this, guard = std::weak_ptr<bool>(alive)] {
        if (!guard.expired())
            sendNext();
    });
}

// ---- Commands --------------------------------------------------------------------------

// Every step of sending a command, in one place.
void Pop3Session::Private::send(Command next, int number)
{
    command = next;
    q.CurrentCommand = commandName(next);
    switch (next) {
    case Command::Connect:
        return;
    case Command::User:
        q.CommandLine = QStringLiteral("USER ") + withoutLineBreaks(q.Pop3Id);
        break;
    case Command::Pass:
        q.CommandLine = QStringLiteral("PASS ") + withoutLineBreaks(q.Pop3PassWd);
        break;
    case Command::Capa:
    case Command::Stls:
        q.CommandLine = q.CurrentCommand.trimmed();
        break;
    case Command::Stat:
    case Command::List:
    case Command::Quit:
        q.CommandLine = q.CurrentCommand;
        break;
    case Command::Top:
        q.CommandLine = QStringLiteral("TOP %1 0").arg(number);
        break;
    case Command::Dele:
        q.CommandLine = QStringLiteral("DELE %1").arg(number);
        break;
    }
    q.CommandLine += kCrLf;
    q.ReplyReady = False;
    framer.expect(isMultiLine(next));
    armWatchdog();
    const bool pass = next == Command::Pass;
    monitor->appendTranscript(pass ? kHiddenPass + kCrLf : q.CommandLine);
    monitor->setStatus(pass ? kHiddenPass : q.CommandLine);
    socket.send(platform::encodeCp932(q.CommandLine).bytes);
}

void Pop3Session::Private::afterGreeting()
{
    QStringList lines{QString(), log.stamp() + pop3log::connectionStarted(q.Pop3Server, q.Pop3Id)};
    if (preview)
        lines.append(log.stamp() + pop3log::previewStarted(q.Pop3Server));
    log.writeLines(lines);
    send(security == ConnectionSecurity::None ? Command::User : Command::Capa);
}

void Pop3Session::Private::afterCapa()
{
    if (security == ConnectionSecurity::StartTls && !encrypted) {
        if (!hasCapability(lastReply, "STLS")) {
            q.Pop3ErrorFlag = True;
            stopSession();
            const QString message = pop3log::startTlsMissing(q.Pop3Server);
            monitor->appendTranscript(message + kCrLf);
            monitor->setStatus(QStringLiteral("Error"));
            log.writeStamped(message);
            return;
        }
        send(Command::Stls);
        return;
    }
    send(Command::User);
}

void Pop3Session::Private::afterPass()
{
    q.Pop3ConnectOk = True;
    log.writeStamped(pop3log::loggedIn(q.Pop3Server, q.Pop3Id));
    if (q.Pop3ConnectFlag == True) {
        stopSession(); // login check: done, without STAT or QUIT
        return;
    }
    send(Command::Stat);
}

void Pop3Session::Private::afterStat()
{
    const std::optional<qint16> count = statCount(lastReply);
    if (!count) {
        serverErrorEnd(lastReply);
        return;
    }
    store.MaxMail = *count;
    send(Command::List);
    const QString mailNo = QStringLiteral("MAIL No %1").arg(store.MaxMail);
    monitor->appendTranscript(mailNo + kCrLf);
    monitor->setStatus(mailNo);
    log.WriteLogLine(pop3log::messageCount(store.MaxMail));
}

void Pop3Session::Private::afterList()
{
    if (store.MaxMail == 0) {
        evaluateRules();
        deleteOrQuit();
        return;
    }
    fetchHeader(1);
}

void Pop3Session::Private::afterTop()
{
    if (fetching < store.MaxMail) {
        fetchHeader(static_cast<qint16>(fetching + 1));
        return;
    }
    evaluateRules();
    deleteOrQuit();
}

void Pop3Session::Private::afterDele()
{
    ++q.DeleteIndex;
    if (q.DeleteIndex >= store.MaxEraseNo) {
        q.ReplyComplete = False;
        send(Command::Quit);
        return;
    }
    send(Command::Dele, store.EraseList(q.DeleteIndex));
}

void Pop3Session::Private::afterQuit()
{
    logDeletions(pop3log::Deletion::Done);
    monitor->hideMonitor();
    stopSession();
}

void Pop3Session::Private::fetchHeader(qint16 number)
{
    store.HeaderText(number).clear();
    store.HeaderNo = number;
    fetching = number;
    send(Command::Top, number);
}

void Pop3Session::Private::evaluateRules()
{
    monitor->showMonitor();
    monitor->setStatus(QStringLiteral("削除メールをチェック中"));
    log.writeStamped(pop3log::rulesStarted());
    q.RuleCheckBusy = True;
    const int count = std::min<int>(store.MaxMail, HeaderStore::kMaxMessages);
    std::vector<MessageFields> messages;
    messages.reserve(count);
    for (int n = 1; n <= count; ++n)
        messages.push_back(store.fields(n));
    RuleVerdict verdict = EvaluateDeletionRules(q.activeRules, messages);
    store.MaxEraseNo = static_cast<qint16>(verdict.EraseList.size());
    for (std::size_t i = 0; i < verdict.EraseList.size(); ++i)
        store.EraseList(static_cast<int>(i)) = verdict.EraseList[i];
    marked = std::move(verdict.marked);
    outcomePending = true;
    monitor->hideMonitor();
    q.RuleCheckBusy = False;
    timer2->stop();
}

// One line per marked message, then the end of the rules' block, once it is known
// what the server did with them.
void Pop3Session::Private::logDeletions(pop3log::Deletion outcome)
{
    if (!outcomePending)
        return;
    outcomePending = false;
    if (preview)
        outcome = pop3log::Deletion::Previewed;
    QStringList lines;
    for (const QString& text : std::as_const(marked))
        lines.append(pop3log::deletion(text, outcome));
    lines.append(log.stamp() + pop3log::rulesFinished());
    marked.clear();
    log.writeLines(lines);
}

void Pop3Session::Private::deleteOrQuit()
{
    q.DeleteIndex = 0;
    if (store.MaxEraseNo > 0 && !preview) {
        send(Command::Dele, store.EraseList(0));
        return;
    }
    q.ReplyComplete = False;
    send(Command::Quit);
}

// ---- Ends ------------------------------------------------------------------------------

// "-ERR", a reply the dialogue cannot go on from, or a breach of the dialogue (why
// names it): logged with the server's name, without QUIT.
void Pop3Session::Private::serverErrorEnd(const QByteArray& reply, const QString& breach)
{
    const QString text = platform::decodeCp932(reply);
    monitor->appendTranscript(text + kCrLf);
    monitor->appendTranscript(QStringLiteral("ERROR!!") + kCrLf);
    monitor->setStatus(QStringLiteral("Error"));
    q.Pop3ErrorFlag = True;
    stopSession();
    // The reply is logged with its own line end, so an empty line follows it.
    QString shown = text;
    if (shown.endsWith(kCrLf))
        shown.chop(2);
    log.writeLines(
        {shown, QString(),
         log.stamp() + (breach.isEmpty() ? pop3log::serverError(q.Pop3Server)
                                         : pop3log::protocolError(q.Pop3Server, breach))});
}

// Both timers stopped: the state the rotation and the dialogs wait for.
void Pop3Session::Private::stopSession()
{
    closeSocket();
    framer.reset();
    lastReply = QByteArray();
    timer1->stop();
    timer2->stop();
    ended = true;
}

// A profile that cannot be used: logged and shown, ended as an error, nothing sent.
void Pop3Session::Private::endBeforeConnecting(const QString& message)
{
    framer.reset();
    q.Pop3ErrorFlag = True;
    stopSession();
    monitor->appendTranscript(message + kCrLf);
    monitor->appendTranscript(QStringLiteral("ERROR!!") + kCrLf);
    monitor->setStatus(QStringLiteral("Error"));
    log.writeStamped(message);
}

void Pop3Session::Private::closeSocket()
{
    // Closing before QUIT's acknowledgement: nothing was deleted, or it is unknown.
    logDeletions(command == Command::Quit ? pop3log::Deletion::Unconfirmed
                                          : pop3log::Deletion::NotDone);
    socketOpen = false;
    socket.close();
}

void Pop3Session::Private::armWatchdog()
{
    timer2->stop();
    timer2->start();
}

// ---- Public surface --------------------------------------------------------------------

Pop3Session::Pop3Session(platform::EventLoop& loop, platform::TcpClient& socket, HeaderStore& store,
                         const ActivityLog& log)
    : d(std::make_unique<Private>(*this, loop, socket, store, log))
{
    d->timer1->setTickHandler([this] { d->sendNext(); });
    d->timer2->setTickHandler([this] { d->onWatchdog(); });
    socket.setDataHandler([this](const QByteArray& bytes) { d->onData(bytes); });
    socket.setErrorHandler([this](int number) { d->onSocketError(number); });
    socket.setEncryptedHandler([this] { d->onEncrypted(); });
    socket.setTlsFailureHandler(
        [this](const platform::TlsFailure& failure) { d->onTlsFailure(failure); });
}

Pop3Session::~Pop3Session()
{
    d->socket.setDataHandler({});
    d->socket.setErrorHandler({});
    d->socket.setEncryptedHandler({});
    d->socket.setTlsFailureHandler({});
}

void Pop3Session::ServerConect(const Pop3Target& target)
{
    Pop3Server = target.server;
    Pop3Id = target.account;
    Pop3PassWd = target.password;
    activeRules = target.rules;
    d->security = target.security;
    d->pin = target.pinSha256;
    Pop3ConnectFlag = target.mode == Pop3Mode::LoginCheck ? True : False;
    Pop3ConnectOk = False;
    d->preview = target.preview && target.mode == Pop3Mode::Run;
    const std::optional<quint16> port = parsePort(target.port);
    if (!port) {
        rejectPort(target.port);
        return;
    }
    // A character the server cannot be sent would be dropped and the login fail unexplained.
    const bool idSendable = platform::encodeCp932(withoutLineBreaks(Pop3Id)).ok();
    if (!idSendable || !platform::encodeCp932(withoutLineBreaks(Pop3PassWd)).ok()) {
        d->endBeforeConnecting(pop3log::unsendableCredential(Pop3Server, idSendable));
        return;
    }
    Pop3Port = *port;
    if (d->preview)
        d->monitor->appendTranscript(pop3log::previewStarted(Pop3Server) + kCrLf);
    connectToServer();
    d->timer1->start();
}

void Pop3Session::connectToServer()
{
    d->closeSocket();
    d->framer.reset();
    d->framer.expect(false); // the greeting
    d->command = Command::Connect;
    CurrentCommand = commandName(Command::Connect);
    ReplyReady = False;
    ReplyComplete = False;
    Pop3ErrorFlag = False;
    DeleteIndex = 0;
    d->ended = false;
    d->handshaking = false;
    d->encrypted = false;
    d->armWatchdog();
    d->socketOpen = true;
    if (d->security == ConnectionSecurity::Tls)
        d->socket.connectEncrypted(Pop3Server, static_cast<quint16>(Pop3Port), d->pin);
    else
        d->socket.connectToHost(Pop3Server, static_cast<quint16>(Pop3Port));
}

void Pop3Session::rejectPort(const QString& portText)
{
    d->endBeforeConnecting(pop3log::invalidPort(portText));
}

void Pop3Session::abort()
{
    d->framer.reset();
    d->stopSession();
}

platform::Timer& Pop3Session::Timer1()
{
    return *d->timer1;
}

platform::Timer& Pop3Session::Timer2()
{
    return *d->timer2;
}

bool Pop3Session::sessionInProgress() const
{
    return d->timer1->isActive() || d->timer2->isActive();
}

qsizetype Pop3Session::heldReplyBytes() const
{
    return d->framer.heldBytes() + d->lastReply.capacity();
}

void Pop3Session::setMonitor(CommandMonitor* monitor)
{
    d->monitor = monitor ? monitor : &d->silentMonitor;
}

void Pop3Session::setHeaderViewer(HeaderViewerSink* viewer)
{
    d->viewer = viewer ? viewer : &d->silentViewer;
}

std::optional<quint16> Pop3Session::parsePort(const QString& text)
{
    const QString digits = text.trimmed();
    if (digits.isEmpty() || digits.size() > 10 ||
        !std::all_of(digits.begin(), digits.end(),
                     [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }))
        return std::nullopt;
    const qulonglong value = digits.toULongLong();
    if (value < 1 || value > 65535)
        return std::nullopt;
    return static_cast<quint16>(value);
}
