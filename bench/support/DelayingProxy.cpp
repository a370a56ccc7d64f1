#include "support/DelayingProxy.h"

#include <arpa/inet.h>
#include <array>
#include <deque>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace benchsupport {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPollMs = 20; // how soon a stop request is seen

sockaddr_in loopback(quint16 port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

void noDelay(int fd)
{
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

// Bytes read from one side, due to be written to the other.
struct Chunk
{
    Clock::time_point due;
    std::vector<char> bytes;
};

// One direction of a connection: what was read from `from` waits here for `to`.
struct Direction
{
    int from;
    int to;
    std::deque<Chunk> queue;
    bool ended = false;    // `from` has closed
    bool shutDown = false; // and `to` has been told
};

bool writeAll(int fd, const std::vector<char>& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

DelayingProxy::DelayingProxy(quint16 upstreamPort, std::chrono::milliseconds delayEachWay)
    : m_upstream(upstreamPort), m_delay(delayEachWay)
{
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    if (m_listener < 0 ||
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listener, 4) != 0 ||
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return;
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { serve(); });
}

DelayingProxy::~DelayingProxy()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_listener >= 0)
        ::close(m_listener);
}

void DelayingProxy::serve()
{
    while (!m_stop) {
        pollfd waiting{m_listener, POLLIN, 0};
        if (::poll(&waiting, 1, kPollMs) <= 0)
            continue;
        const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client >= 0)
            relay(client);
    }
}

void DelayingProxy::relay(int client)
{
    const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in address = loopback(m_upstream);
    if (server < 0 ||
        ::connect(server, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(client);
        if (server >= 0)
            ::close(server);
        return;
    }
    noDelay(client);
    noDelay(server);
    std::array<Direction, 2> directions{Direction{client, server, {}},
                                        Direction{server, client, {}}};
    std::vector<char> buffer(64 * 1024);
    bool broken = false;
    while (!m_stop && !broken && !(directions[0].shutDown && directions[1].shutDown)) {
        // Wake for the first chunk that falls due, or for something to read.
        int timeout = kPollMs;
        const Clock::time_point now = Clock::now();
        for (const Direction& d : directions)
            if (!d.queue.empty())
                timeout = std::min<int>(
                    timeout, std::max<qint64>(0, std::chrono::ceil<std::chrono::milliseconds>(
                                                     d.queue.front().due - now)
                                                     .count()));
        std::array<pollfd, 2> fds{
            pollfd{directions[0].from, short(directions[0].ended ? 0 : POLLIN), 0},
            pollfd{directions[1].from, short(directions[1].ended ? 0 : POLLIN), 0}};
        ::poll(fds.data(), fds.size(), timeout);
        for (std::size_t i = 0; i < directions.size(); ++i) {
            Direction& d = directions[i];
            if (!d.ended && (fds[i].revents & (POLLIN | POLLHUP | POLLERR))) {
                const ssize_t n = ::recv(d.from, buffer.data(), buffer.size(), 0);
                if (n > 0)
                    d.queue.push_back(
                        {Clock::now() + m_delay, {buffer.begin(), buffer.begin() + n}});
                else
                    d.ended = true;
            }
            while (!d.queue.empty() && d.queue.front().due <= Clock::now()) {
                broken = broken || !writeAll(d.to, d.queue.front().bytes);
                d.queue.pop_front();
            }
            if (d.ended && d.queue.empty() && !d.shutDown) {
                ::shutdown(d.to, SHUT_WR);
                d.shutDown = true;
            }
        }
    }
    ::close(client);
    ::close(server);
}

} // namespace benchsupport
