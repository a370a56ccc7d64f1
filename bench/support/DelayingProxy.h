#pragma once

#include <QtGlobal>

#include <atomic>
#include <chrono>
#include <thread>

namespace benchsupport {

// A TCP relay on 127.0.0.1 that holds every chunk it reads for a fixed delay before
// passing it on, in each direction: loopback with a network's round trip. It serves
// one connection at a time, on a thread of its own with poll(), until destroyed.
class DelayingProxy
{
public:
    DelayingProxy(quint16 upstreamPort, std::chrono::milliseconds delayEachWay);
    ~DelayingProxy();
    DelayingProxy(const DelayingProxy&) = delete;
    DelayingProxy& operator=(const DelayingProxy&) = delete;

    // The port clients connect to; 0 when the proxy could not listen.
    quint16 port() const { return m_port; }

private:
    void serve();
    void relay(int client);

    const quint16 m_upstream;
    const std::chrono::milliseconds m_delay;
    int m_listener = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace benchsupport
