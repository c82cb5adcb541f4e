#include "testserver.h"

#include <QBuffer>
#include <QImage>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

TestServer::TestServer(QObject *parent) : QObject(parent), m_server(new QTcpServer(this))
{
    if (!m_server->listen(QHostAddress::LocalHost, 0))
        qFatal("test server: cannot listen on 127.0.0.1");
    connect(m_server, &QTcpServer::newConnection, this, &TestServer::accept);
}

TestServer::~TestServer() = default;

quint16 TestServer::port() const
{
    return m_server->serverPort();
}

QString TestServer::hostAndPort() const
{
    return QStringLiteral("127.0.0.1:%1").arg(port());
}

void TestServer::stopListening()
{
    m_server->close();
    // Connections the client opened ahead of need would still reach us.
    for (QTcpSocket *socket : m_server->findChildren<QTcpSocket *>())
        socket->abort();
}

// Percent-encodings are case-insensitive: "%2f" and "%2F" name one path.
static QByteArray normalised(const QByteArray &target)
{
    return QUrl::fromEncoded(target).toEncoded();
}

void TestServer::serve(const QByteArray &pathAndQuery, const Response &response)
{
    m_routes.insert(normalised(pathAndQuery), response);
}

void TestServer::serve(const QByteArray &pathAndQuery, const QByteArray &body,
                       const QByteArray &contentType)
{
    serve(pathAndQuery, Response{200, body, contentType, {}});
}

void TestServer::accept()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
    }
}

void TestServer::readRequest(QTcpSocket *socket)
{
    // GET requests carry no body: the request ends with its header.
    QByteArray &buffered = m_pending[socket];
    buffered += socket->readAll();
    const qsizetype headerEnd = buffered.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return;
    const QList<QByteArray> requestLine = buffered.left(buffered.indexOf("\r\n")).split(' ');
    m_pending.remove(socket);
    const QByteArray target = normalised(requestLine.value(1));
    m_requests.append(target);

    const Response response =
        m_routes.value(target, Response{404, "<html><body>not here</body></html>", "text/html", {}});
    switch (response.fault) {
    case Fault::NeverAnswer:
        return;
    case Fault::Hold:
        m_held.append({socket, response});
        return;
    default:
        answer(socket, response);
    }
}

void TestServer::releaseHeld()
{
    const auto held = std::exchange(m_held, {});
    for (const auto &[socket, response] : held) {
        if (socket)
            answer(socket, response);
    }
}

void TestServer::answer(QTcpSocket *socket, const Response &response)
{
    QByteArray reply = "HTTP/1.1 " + QByteArray::number(response.status) + " Status\r\n";
    reply += "Content-Type: " + response.contentType + "\r\n";
    reply += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    for (const auto &[name, value] : response.headers)
        reply += name + ": " + value + "\r\n";
    reply += "Connection: close\r\n\r\n";
    const qsizetype headerSize = reply.size();
    reply += response.body;

    switch (response.fault) {
    case Fault::StallMidBody:
        socket->write(reply.left(headerSize + response.body.size() / 2));
        return;
    case Fault::CloseMidBody:
        socket->write(reply.left(headerSize + response.body.size() / 2));
        socket->disconnectFromHost();
        return;
    case Fault::Trickle: {
        socket->write(reply.left(headerSize));
        auto *drip = new QTimer(socket);
        connect(drip, &QTimer::timeout, socket, [socket, drip, reply, sent = headerSize]() mutable {
            socket->write(reply.mid(sent++, 1));
            if (sent == reply.size()) {
                drip->stop();
                socket->disconnectFromHost();
            }
        });
        drip->start(50);
        return;
    }
    default:
        socket->write(reply);
        socket->disconnectFromHost();
    }
}

QByteArray makeJpeg(int width, int height, Qt::GlobalColor colour)
{
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "JPG"))
        qFatal("cannot make a JPEG");
    return bytes;
}

QByteArray homePage(const QByteArray &picturePath)
{
    return "<!DOCTYPE html>\r\n<html><head><title>Home</title></head>\r\n"
           "<body><script>var a=1;g_img={url:'"
           + picturePath + "',id:'bgDiv'};</script></body></html>\r\n";
}
