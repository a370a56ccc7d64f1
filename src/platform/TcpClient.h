#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <utility>

namespace platform {

// A TCP client as the POP3 engine sees it. Errors carry Winsock-style numbers:
// 11001 host not found, 10060 connection timed out, 10061 refused, 10054 reset
// or closed by the server, others a number of their own.
class TcpClient
{
public:
    enum ErrorNumber : int {
        ConnectionReset = 10054,
        ConnectionTimedOut = 10060,
        ConnectionRefused = 10061,
        HostNotFound = 11001,
    };

    virtual ~TcpClient() = default;

    virtual void connectToHost(const QString& host, quint16 port) = 0;
    virtual void send(const QByteArray& bytes) = 0;
    // Harmless when already closed; no notification follows a close.
    virtual void close() = 0;

    void setDataHandler(std::function<void(const QByteArray&)> handler)
    {
        m_data = std::move(handler);
    }
    void setErrorHandler(std::function<void(int)> handler) { m_error = std::move(handler); }

protected:
    void deliverData(const QByteArray& bytes)
    {
        if (m_data)
            m_data(bytes);
    }
    void deliverError(int number)
    {
        if (m_error)
            m_error(number);
    }

private:
    std::function<void(const QByteArray&)> m_data;
    std::function<void(int)> m_error;
};

} // namespace platform
