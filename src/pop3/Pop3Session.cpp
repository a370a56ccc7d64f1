// The POP3 dialogue with one server, all of its rules in this file. The engine does
// no I/O of its own: bytes arrive from the TcpClient, ticks from the two timers, and
// it answers with command lines, log lines and monitor text. Replies are framed by
// lines (ReplyFramer); the next command is sent as soon as its reply is complete,
// from a deferred call, and Timer1's 100 ms tick sends too should one be waiting.
// Deletions are only ever made final by the server acknowledging QUIT, and QUIT is
// never sent once anything has gone wrong; the log says a message was deleted only
// after that acknowledgement. Where the server offers PIPELINING, the TOP and DELE
// commands go out a window at a time and their replies are matched strictly in the
// order sent; with a keeper, each marked message is copied whole before its DELE.

#include "pop3/Pop3Session.h"

#include "platform/Codepage.h"
#include "pop3/Capabilities.h"
#include "pop3/ListSizes.h"
#include "pop3/MessageCopy.h"
#include "pop3/Pop3Command.h"
#include "pop3/Pop3LogLines.h"
#include "pop3/ReplyFramer.h"
#include "rules/DeletionRules.h"
#include "settings/ActivityLog.h"

#include <algorithm>
#include <deque>
#include <utility>

using namespace pop3;

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kHiddenPass = QStringLiteral("PASS *******");
const QString kHiddenAuth = QStringLiteral("AUTH PLAIN *******");

// Commands sent ahead of their replies where the server offers PIPELINING.
constexpr qsizetype kWindow = 32;

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
    void streamCopy(const QByteArray& line);
    void scheduleSend();

    // Commands and the steps between them.
    void send(Command next, int number = 0);
    template <typename Commands> void inOneWrite(Commands commands);
    void afterGreeting();
    void afterCapa();
    void afterPass();
    void afterStat();
    void afterList();
    void afterTop();
    void afterRecount();
    void afterCopy();
    void afterDele();
    void afterQuit();
    void fetchHeaders();
    void evaluateRules();
    void deleteOrQuit();
    void sendDeles();
    void copyNext();
    void logDeletions(pop3log::Deletion outcome);
    qsizetype window() const { return pipelining && offersPipelining ? kWindow : 1; }
    // A window is refilled in halves: fewer, fuller writes than one command per reply.
    bool refillDue() const { return qsizetype(outstanding.size()) <= window() / 2; }

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
    Command command = Command::Connect; // the command most recently sent
    struct Sent
    {
        Command command;
        int number;
    };
    std::deque<Sent> outstanding; // sent and not yet answered, oldest first
    QByteArray batch;             // commands held for one write while it is open
    bool batching = false;
    QByteArray lastReply; // the reply the sender acts on (STAT is parsed from it)
    QByteArray statReply; // STAT's reply, which a recount must repeat exactly
    qint16 fetching = 0;  // the message whose header came last; the viewer may move HeaderNo
    qint16 nextTop = 1;   // the next message whose header is to be asked for
    qint16 delesSent = 0;
    bool socketOpen = false;     // notifications only count while the session's socket is open
    bool ended = true;           // no session, or it has reached an end state
    QStringList marked;          // the rules' texts of the marked messages, until the outcome
    QStringList matchedRules;    // beside marked, the rule that marked each; may be shorter
    bool outcomePending = false; // the rules have run and their outcome is not logged yet
    ConnectionSecurity security = ConnectionSecurity::None;
    QByteArray pin;
    bool handshaking = false; // STLS accepted: every byte until the handshake ends is dropped
    bool encrypted = false;
    bool preview = false;           // this session judges only: no DELE
    bool pipelining = false;        // the target allows commands ahead of their replies
    bool capabilitiesKnown = false; // CAPA was asked on this connection
    bool offersPipelining = false;

    // Copies kept before each DELE: what became of each marked message's copy.
    enum class Copy { None, Whole, HeaderOnly, Refused };
    platform::MessageKeeper* keeper = nullptr;
    std::vector<qint64> sizes; // by message number, as LIST gave them
    std::vector<Copy> copies;  // beside marked
    qint16 copyIndex = 0;      // the marked message being copied and deleted
    MessageCopy copy;
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);
};

// ---- Events in -------------------------------------------------------------------------

void Pop3Session::Private::onData(const QByteArray& bytes)
{
    if (!socketOpen || handshaking)
        return;
    const Command awaited = outstanding.empty() ? command : outstanding.front().command;
    if (awaited == Command::Retr || awaited == Command::HeaderCopy)
        armWatchdog(); // a long message streaming in is progress
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
    if (outstanding.empty())
        timer2->stop(); // otherwise it runs on from the last reply that completed
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
    case Command::Auth:
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
    case Command::Recount:
        afterRecount();
        break;
    case Command::Retr:
    case Command::HeaderCopy:
        afterCopy();
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
    if (reply.kind == ReplyFramer::Kind::Line) {
        streamCopy(reply.text);
        return;
    }
    const QString text = platform::decodeCp932(reply.text);
    const bool completes =
        reply.kind == ReplyFramer::Kind::Ok || reply.kind == ReplyFramer::Kind::Err;
    const Sent answered =
        completes && !outstanding.empty() ? outstanding.front() : Sent{command, 0};
    if (completes && !outstanding.empty())
        outstanding.pop_front();
    switch (reply.kind) {
    case ReplyFramer::Kind::Stray:
        // With several replies owed, a line that is none of them cannot be placed.
        // Nor, where a DELE's reply is due or commands are pipelined, a line that may
        // be the rest of a reply sent twice.
        if (outstanding.size() > 1 || window() > 1 ||
            (!outstanding.empty() && outstanding.front().command == Command::Dele)) {
            serverErrorEnd(reply.text, QStringLiteral("要求していないデータを受信"));
            return;
        }
        monitor->appendTranscript(text + kCrLf);
        return;
    case ReplyFramer::Kind::Err:
        if (answered.command == Command::Capa) {
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
    case ReplyFramer::Kind::Line:
        break;
    }
    if (outstanding.empty())
        timer2->stop();
    else
        armWatchdog(); // a reply completed: the next one has the watchdog's full time
    monitor->appendTranscript(text + kCrLf);
    lastReply = reply.text;
    if (answered.command == Command::Stls) {
        // Whatever follows "+OK" in clear may be an attacker's: dropped, with all
        // that arrives until the handshake is over.
        handshaking = true;
        framer.reset();
    }
    if (answered.command == Command::Top) {
        fetching = static_cast<qint16>(answered.number);
        storeHeader(text);
    } else if (answered.command == Command::List) {
        q.ReplyComplete = True;
    } else if (answered.command == Command::Dele) {
        ++q.DeleteIndex;
    }
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

// A line of the message being copied; more than the keeper takes ends the session.
void Pop3Session::Private::streamCopy(const QByteArray& line)
{
    if (copy.append(line))
        return;
    serverErrorEnd(platform::encodeCp932(q.CommandLine).bytes,
                   QStringLiteral("一覧の大きさを超えるメール"));
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
    case Command::Auth: {
        // RFC 4616: authorization identity empty, then the account and the password.
        const QByteArray credentials =
            '\0' + platform::encodeCp932(withoutLineBreaks(q.Pop3Id)).bytes + '\0' +
            platform::encodeCp932(withoutLineBreaks(q.Pop3PassWd)).bytes;
        q.CommandLine = QStringLiteral("AUTH PLAIN ") + QString::fromLatin1(credentials.toBase64());
        break;
    }
    case Command::Capa:
    case Command::Stls:
        q.CommandLine = q.CurrentCommand.trimmed();
        break;
    case Command::Stat:
    case Command::Recount:
    case Command::List:
    case Command::Quit:
        q.CommandLine = q.CurrentCommand;
        break;
    case Command::Top:
    case Command::HeaderCopy:
        q.CommandLine = QStringLiteral("TOP %1 0").arg(number);
        break;
    case Command::Retr:
        q.CommandLine = QStringLiteral("RETR %1").arg(number);
        break;
    case Command::Dele:
        q.CommandLine = QStringLiteral("DELE %1").arg(number);
        break;
    }
    q.CommandLine += kCrLf;
    q.ReplyReady = False;
    if (next == Command::Retr || next == Command::HeaderCopy)
        framer.expectStreamed();
    else
        framer.expect(isMultiLine(next));
    outstanding.push_back({next, number});
    armWatchdog();
    const bool pass = next == Command::Pass;
    const bool auth = next == Command::Auth;
    const QString shown = pass ? kHiddenPass : auth ? kHiddenAuth : q.CommandLine;
    monitor->appendTranscript(pass || auth ? shown + kCrLf : shown);
    monitor->setStatus(shown);
    const QByteArray bytes = platform::encodeCp932(q.CommandLine).bytes;
    if (batching)
        batch += bytes;
    else
        socket.send(bytes);
}

// The commands sent by commands() leave in one write, so that no segment of a
// window waits on the acknowledgement of another.
template <typename Commands> void Pop3Session::Private::inOneWrite(Commands commands)
{
    batching = true;
    commands();
    batching = false;
    if (!batch.isEmpty())
        socket.send(std::exchange(batch, QByteArray()));
}

void Pop3Session::Private::afterGreeting()
{
    QStringList lines{QString(), log.stamp() + pop3log::connectionStarted(q.Pop3Server, q.Pop3Id)};
    if (preview)
        lines.append(log.stamp() + pop3log::previewStarted(q.Pop3Server));
    log.writeLines(lines);
    if (security == ConnectionSecurity::None)
        send(Command::User);
    else
        send(Command::Capa);
}

void Pop3Session::Private::afterCapa()
{
    capabilitiesKnown = true;
    offersPipelining = hasCapability(lastReply, "PIPELINING");
    if (q.Pop3ConnectOk == True) {
        send(Command::Stat); // asked after PASS, for PIPELINING alone
        return;
    }
    // No USER, but SASL PLAIN: the password goes in AUTH PLAIN instead.
    const bool authPlain =
        !lastReply.isEmpty() && !hasCapability(lastReply, "USER") && offersSasl(lastReply, "PLAIN");
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
    send(authPlain ? Command::Auth : Command::User);
}

void Pop3Session::Private::afterPass()
{
    q.Pop3ConnectOk = True;
    log.writeStamped(pop3log::loggedIn(q.Pop3Server, q.Pop3Id));
    if (q.Pop3ConnectFlag == True) {
        stopSession(); // login check: done, without STAT or QUIT
        return;
    }
    // A plain connection learns of PIPELINING only now (RFC 2449 allows CAPA here).
    send(pipelining && !capabilitiesKnown ? Command::Capa : Command::Stat);
}

void Pop3Session::Private::afterStat()
{
    const std::optional<qint16> count = statCount(lastReply);
    if (!count) {
        serverErrorEnd(lastReply);
        return;
    }
    store.MaxMail = *count;
    statReply = lastReply;
    send(Command::List);
    const QString mailNo = QStringLiteral("MAIL No %1").arg(store.MaxMail);
    monitor->appendTranscript(mailNo + kCrLf);
    monitor->setStatus(mailNo);
    log.WriteLogLine(pop3log::messageCount(store.MaxMail));
}

void Pop3Session::Private::afterList()
{
    sizes = listedSizes(lastReply, store.MaxMail);
    nextTop = 1;
    if (store.MaxMail == 0) {
        evaluateRules();
        deleteOrQuit();
        return;
    }
    fetchHeaders();
}

void Pop3Session::Private::afterTop()
{
    if (nextTop <= store.MaxMail || !outstanding.empty()) {
        fetchHeaders();
        return;
    }
    evaluateRules();
    // A reply sent twice among pipelined ones would have moved every later header onto
    // the next message, and the headers cannot tell: before anything is deleted, STAT
    // must come back exactly as it did, in its place.
    if (window() > 1 && store.MaxEraseNo > 0 && !preview) {
        send(Command::Recount);
        return;
    }
    deleteOrQuit();
}

void Pop3Session::Private::afterRecount()
{
    if (lastReply != statReply) {
        serverErrorEnd(lastReply, QStringLiteral("応答の順序の乱れ"));
        return;
    }
    deleteOrQuit();
}

// TOP for the next messages, as many as the window has room for once it is half empty.
void Pop3Session::Private::fetchHeaders()
{
    if (!refillDue())
        return;
    inOneWrite([this] {
        while (nextTop <= store.MaxMail && qsizetype(outstanding.size()) < window()) {
            store.HeaderText(nextTop).clear();
            store.HeaderNo = nextTop;
            send(Command::Top, nextTop++);
        }
    });
}

void Pop3Session::Private::afterCopy()
{
    const int index = copyIndex;
    if (!copy.commit()) {
        copies[index] = Copy::Refused;
        ++copyIndex;
        copyNext();
        return;
    }
    copies[index] = command == Command::HeaderCopy ? Copy::HeaderOnly : Copy::Whole;
    send(Command::Dele, store.EraseList(index));
}

void Pop3Session::Private::afterDele()
{
    if (keeper) {
        ++copyIndex;
        copyNext();
        return;
    }
    if (delesSent < store.MaxEraseNo || !outstanding.empty()) {
        sendDeles();
        return;
    }
    q.ReplyComplete = False;
    send(Command::Quit);
}

void Pop3Session::Private::afterQuit()
{
    logDeletions(pop3log::Deletion::Done);
    monitor->hideMonitor();
    stopSession();
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
    matchedRules = std::move(verdict.matchedRule);
    copies.assign(store.MaxEraseNo, Copy::None);
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
    for (qsizetype i = 0; i < marked.size(); ++i) {
        const Copy kept = i < qsizetype(copies.size()) ? copies[i] : Copy::None;
        if (kept == Copy::Refused) {
            lines.append(pop3log::copyRefused(marked[i]));
            continue;
        }
        if (kept == Copy::HeaderOnly)
            lines.append(pop3log::headerOnlyCopy(marked[i], keeper->maxMessageBytes()));
        lines.append(pop3log::deletion(marked[i], outcome));
    }
    lines.append(log.stamp() + pop3log::rulesFinished());
    marked.clear();
    log.writeLines(lines);
}

void Pop3Session::Private::deleteOrQuit()
{
    q.DeleteIndex = 0;
    delesSent = 0;
    copyIndex = 0;
    if (store.MaxEraseNo > 0 && !preview) {
        if (keeper)
            copyNext();
        else
            sendDeles();
        return;
    }
    q.ReplyComplete = False;
    send(Command::Quit);
}

// DELE for the next marked messages, as many as the window has room for once it is half empty.
void Pop3Session::Private::sendDeles()
{
    if (!refillDue())
        return;
    inOneWrite([this] {
        while (delesSent < store.MaxEraseNo && qsizetype(outstanding.size()) < window())
            send(Command::Dele, store.EraseList(delesSent++));
    });
}

// One marked message at a time: its copy begun, then RETR (or its header alone when
// LIST says it is larger than the keeper takes); QUIT after the last.
void Pop3Session::Private::copyNext()
{
    for (; copyIndex < store.MaxEraseNo; ++copyIndex) {
        const qint16 number = store.EraseList(copyIndex);
        const qint64 listed = number < qsizetype(sizes.size()) ? sizes[number] : -1;
        const bool headerOnly = listed > keeper->maxMessageBytes();
        const platform::KeptMessageInfo info{
            .server = q.Pop3Server,
            .account = q.Pop3Id,
            .number = number,
            .listedSize = listed,
            .subject = store.MailSubject(number),
            .from = store.MailFrom(number),
            .rule = matchedRules.value(copyIndex),
            .headerOnly = headerOnly,
        };
        if (copy.begin(*keeper, info)) {
            send(headerOnly ? Command::HeaderCopy : Command::Retr, number);
            return;
        }
        copies[copyIndex] = Copy::Refused;
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
    outstanding.clear();
    batch.clear();
    copy.discard(); // a copy cut short is never committed
    lastReply = QByteArray();
    statReply = QByteArray();
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
    d->pipelining = target.pipelining && target.mode == Pop3Mode::Run;
    d->keeper = d->preview || target.mode != Pop3Mode::Run ? nullptr : target.keeper;
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
    d->outstanding.clear();
    d->framer.expect(false); // the greeting
    d->outstanding.push_back({Command::Connect, 0});
    d->command = Command::Connect;
    CurrentCommand = commandName(Command::Connect);
    ReplyReady = False;
    ReplyComplete = False;
    Pop3ErrorFlag = False;
    DeleteIndex = 0;
    d->ended = false;
    d->handshaking = false;
    d->encrypted = false;
    d->capabilitiesKnown = false;
    d->offersPipelining = false;
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
