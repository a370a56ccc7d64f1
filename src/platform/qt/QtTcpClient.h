#pragma once

#include "platform/TcpClient.h"

#include <QObject>
#include <QTcpSocket>

namespace platform {

// The program's TCP client on QTcpSocket, with Qt's errors mapped onto the
// Winsock-style numbers the engine logs.
class QtTcpClient final : public QObject, public TcpClient
{
    Q_OBJECT
public:
    explicit QtTcpClient(QObject* parent = nullptr);

    void connectToHost(const QString& host, quint16 port) override;
    void send(const QByteArray& bytes) override;
    void close() override;

    static int errorNumber(QAbstractSocket::SocketError error);

private:
    void onReadyRead();
    void onError(QAbstractSocket::SocketError error);

    QTcpSocket m_socket;
};

} // namespace platform
