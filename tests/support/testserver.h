#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class QTcpServer;
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

    explicit TestServer(QObject *parent = nullptr);
    ~TestServer() override;

    quint16 port() const;
    // "127.0.0.1:port", as the host settings take it.
    QString hostAndPort() const;

    void serve(const QByteArray &pathAndQuery, const Response &response);
    void serve(const QByteArray &pathAndQuery, const QByteArray &body,
               const QByteArray &contentType = "text/html");

    // Every request's path and query, in arrival order.
    QList<QByteArray> requests() const { return m_requests; }
    void clearRequests() { m_requests.clear(); }

    // From now on the port refuses connections, and open ones are cut.
    void stopListening();

    // Answers the requests that are being held.
    void releaseHeld();

private:
    void accept();
    void readRequest(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const Response &response);

    QTcpServer *m_server;
    QHash<QByteArray, Response> m_routes;
    QList<QByteArray> m_requests;
    QHash<QTcpSocket *, QByteArray> m_pending;
    QList<QPair<QPointer<QTcpSocket>, Response>> m_held;
};

// A JPEG of the given size, filled with one colour.
QByteArray makeJpeg(int width, int height, Qt::GlobalColor colour);

// A home page that names the picture's path the way the real pages do.
QByteArray homePage(const QByteArray &picturePath);
