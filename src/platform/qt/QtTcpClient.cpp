#include "platform/qt/QtTcpClient.h"

namespace platform {

QtTcpClient::QtTcpClient(QObject* parent) : QObject(parent)
{
    connect(&m_socket, &QTcpSocket::readyRead, this, &QtTcpClient::onReadyRead);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &QtTcpClient::onError);
}

void QtTcpClient::connectToHost(const QString& host, quint16 port)
{
    m_socket.abort();
    m_socket.connectToHost(host, port);
}

void QtTcpClient::send(const QByteArray& bytes)
{
    if (m_socket.state() != QAbstractSocket::UnconnectedState)
        m_socket.write(bytes);
}

void QtTcpClient::close()
{
    // abort() drops pending output and emits no error, so nothing reaches the engine afterwards.
    m_socket.abort();
}

void QtTcpClient::onReadyRead()
{
    const QByteArray bytes = m_socket.readAll();
    if (!bytes.isEmpty())
        deliverData(bytes);
}

void QtTcpClient::onError(QAbstractSocket::SocketError error)
{
    deliverError(errorNumber(error));
}

int QtTcpClient::errorNumber(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::HostNotFoundError:
        return HostNotFound;
    case QAbstractSocket::SocketTimeoutError:
        return ConnectionTimedOut;
    case QAbstractSocket::ConnectionRefusedError:
        return ConnectionRefused;
    case QAbstractSocket::RemoteHostClosedError:
        return ConnectionReset;
    case QAbstractSocket::NetworkError:
        return 10065; // host unreachable
    case QAbstractSocket::SocketAccessError:
        return 10013;
    case QAbstractSocket::SocketResourceError:
        return 10055;
    case QAbstractSocket::AddressInUseError:
        return 10048;
    default:
        return 20000 + static_cast<int>(error); // outside the Winsock range
    }
}

} // namespace platform
