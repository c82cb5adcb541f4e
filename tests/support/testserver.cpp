#include "testserver.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

TestServer::TestServer()
{
    if (!m_server.listen(QHostAddress::LocalHost, 0))
        qFatal("test server: cannot listen on 127.0.0.1");
    connect(&m_server, &QTcpServer::pendingConnectionAvailable, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
        }
    });
}

QString TestServer::hostAndPort() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_server.serverPort());
}

// Percent-encodings are case-insensitive: "%2f" and "%2F" name one path.
void TestServer::serve(const QByteArray &pathAndQuery, const Response &response)
{
    m_routes.insert(QUrl::fromEncoded(pathAndQuery).toEncoded(), response);
}

void TestServer::stopListening()
{
    m_server.close();
    for (QTcpSocket *socket : m_server.findChildren<QTcpSocket *>())
        socket->abort();
}

void TestServer::readRequest(QTcpSocket *socket)
{
    // A GET request ends with its header.
    const QByteArray buffered = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", buffered);
    if (!buffered.contains("\r\n\r\n"))
        return;
    const QByteArray target = QUrl::fromEncoded(buffered.split(' ').value(1)).toEncoded();
    requests.append(target);
    const Response response = m_routes.value(target, Response{ 404, "<html>not here</html>" });
    if (response.fault == Fault::Hold)
        m_held.append({ socket, response });
    else if (response.fault != Fault::NeverAnswer)
        answer(socket, response);
}

void TestServer::releaseHeld()
{
    for (const auto &[socket, response] : std::exchange(m_held, {})) {
        if (socket) // a request the client gave up on meanwhile
            answer(socket, response);
    }
}

void TestServer::answer(QTcpSocket *socket, const Response &response)
{
    QByteArray header = "HTTP/1.1 " + QByteArray::number(response.status)
            + " Status\r\nContent-Type: " + response.type
            + "\r\nContent-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    header += "Connection: close\r\n\r\n";
    const QByteArray half = response.body.left(response.body.size() / 2);
    if (response.fault == Fault::Trickle) {
        socket->write(header);
        auto *drip = new QTimer(socket);
        connect(drip, &QTimer::timeout, socket, [socket, body = response.body, sent = 0]() mutable {
            socket->write(body.mid(sent++, 1));
            if (sent >= body.size())
                socket->disconnectFromHost();
        });
        drip->start(50);
        return;
    }
    socket->write(header + (response.fault == Fault::CloseMidBody ? half : response.body));
    socket->disconnectFromHost();
}

QByteArray makeJpeg(int width, int height, Qt::GlobalColor colour)
{
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "JPG");
    return bytes;
}

QByteArray homePage(const QByteArray &picturePath)
{
    return "<!DOCTYPE html>\r\n<html><head><title>Home</title></head>\r\n<body><script>var "
           "a=1;g_img={url:'"
            + picturePath + "',id:'bgDiv'};</script></body></html>\r\n";
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
