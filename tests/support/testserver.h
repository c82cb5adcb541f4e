#pragma once

#include <QHash>
#include <QList>
#include <QPointer>
#include <QTcpServer>

#include <memory>

class QSslCertificate;
class QTcpSocket;

// A small HTTP/1.1 server on 127.0.0.1 for the tests. Each path (with its
// query) answers with a fixed response; every request is recorded.
class TestServer : public QObject
{
    Q_OBJECT

public:
    // How the server misbehaves, if it does.
    enum class Fault {
        None,
        Hold,         // answer only when releaseHeld() is called
        NeverAnswer,  // read the request and say nothing
        StallMidBody, // send the header and half the body, then nothing
        CloseMidBody, // send the header and half the body, then hang up
        Trickle,      // send the header, then the body a byte at a time, 50 ms apart
    };

    struct Response
    {
        int status = 200;
        QByteArray body;
        QByteArray contentType = "text/html";
        QList<QPair<QByteArray, QByteArray>> headers = {};
        Fault fault = Fault::None;
    };

    // A server over TLS presents the self-signed certificate for 127.0.0.1
    // in tests/support/fixtures.
    enum Security { Plain, Tls };
    explicit TestServer(Security security = Plain);

    // "127.0.0.1:port", as the host settings take it.
    QString hostAndPort() const;
    QByteArray origin() const;

    void serve(const QByteArray &pathAndQuery, const Response &response);
    void serve(const QByteArray &pathAndQuery, const QByteArray &body,
               const QByteArray &contentType = "image/jpeg")
    {
        serve(pathAndQuery, Response{200, body, contentType});
    }

    // Every request's path and query, in arrival order.
    QList<QByteArray> requests;
    // Connections that are still open.
    int openConnections() const;
    // From now on the port refuses connections, and open ones are cut.
    void stopListening();
    // Answers the requests that are being held.
    void releaseHeld();

private:
    void readRequest(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const Response &response);

    std::unique_ptr<QTcpServer> m_server;
    QHash<QByteArray, Response> m_routes;
    QList<QPair<QPointer<QTcpSocket>, Response>> m_held;
};

// The certificate a TLS test server presents, for clients to trust.
QList<QSslCertificate> testCertificate();

// A JPEG of the given size, filled with one colour.
QByteArray makeJpeg(int width, int height, Qt::GlobalColor colour);

// A home page that names the picture's path the way the real pages did.
QByteArray homePage(const QByteArray &picturePath);
