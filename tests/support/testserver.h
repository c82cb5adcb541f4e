#pragma once

#include <QHash>
#include <QPointer>
#include <QTcpServer>

class QTcpSocket;

// An HTTP/1.1 server on 127.0.0.1: a fixed response a path and query, else 404.
class TestServer : public QObject
{
public:
    enum class Fault {
        None,
        Hold, // answer only when releaseHeld() is called
        NeverAnswer, // read the request and say nothing
        CloseMidBody, // send the header and half the body, then hang up
        Trickle, // send the body a byte at a time, 50 ms apart
    };
    struct Response
    {
        int status = 200;
        QByteArray body;
        QByteArray type = "text/html";
        Fault fault = Fault::None;
    };

    TestServer();
    QString hostAndPort() const; // "127.0.0.1:port", as the host settings take it
    QByteArray origin() const { return "http://" + hostAndPort().toLatin1(); }
    void serve(const QByteArray &pathAndQuery, const Response &response);
    void serve(const QByteArray &pathAndQuery, const QByteArray &picture)
    {
        serve(pathAndQuery, { 200, picture, "image/jpeg" });
    }
    // From now on the port refuses connections, and open ones are cut.
    void stopListening();
    void releaseHeld();

    QList<QByteArray> requests; // paths and queries, in arrival order

private:
    void readRequest(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const Response &response);

    QTcpServer m_server;
    QHash<QByteArray, Response> m_routes;
    QList<QPair<QPointer<QTcpSocket>, Response>> m_held;
};

// A JPEG of the given size, filled with one colour.
QByteArray makeJpeg(int width, int height, Qt::GlobalColor colour);
// A home page that names the picture's path the way the real pages did.
QByteArray homePage(const QByteArray &picturePath);
bool writeFile(const QString &path, const QByteArray &bytes);
