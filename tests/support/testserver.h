#pragma once

#include <QHash>
#include <QPointer>
#include <QTcpServer>

#include <memory>

class QSslCertificate;
class QTcpSocket;

// A small HTTP/1.1 server on 127.0.0.1 for the tests. Each path (with its
// query) answers with a fixed response, anything else with 404; every
// request is recorded.
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

    // Over TLS, the server presents the self-signed certificate for
    // 127.0.0.1 in tests/support/fixtures.
    enum Security { Plain, Tls };
    explicit TestServer(Security security = Plain);

    QString hostAndPort() const; // "127.0.0.1:port", as the host settings take it
    QByteArray origin() const;
    void serve(const QByteArray &pathAndQuery, const Response &response);
    void serve(const QByteArray &pathAndQuery, const QByteArray &picture)
    {
        serve(pathAndQuery, Response{200, picture, "image/jpeg"});
    }
    int openConnections() const;
    // From now on the port refuses connections, and open ones are cut.
    void stopListening();
    void releaseHeld();

    // Every request's path and query, in arrival order.
    QList<QByteArray> requests;

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
QByteArray readFile(const QString &path);
bool writeFile(const QString &path, const QByteArray &bytes);
