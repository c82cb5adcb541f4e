#include "testserver.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QSslKey>
#include <QSslServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

namespace {

// Percent-encodings are case-insensitive: "%2f" and "%2F" name one path.
QByteArray normalised(const QByteArray &target)
{
    return QUrl::fromEncoded(target).toEncoded();
}

} // namespace

TestServer::TestServer(Security security)
{
    if (security == Tls) {
        auto *server = new QSslServer;
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        QFile key(TAVELO_FIXTURES "/selfsigned.key");
        key.open(QIODevice::ReadOnly);
        tls.setPrivateKey(QSslKey(&key, QSsl::Rsa));
        tls.setLocalCertificateChain(testCertificate());
        server->setSslConfiguration(tls);
        m_server.reset(server);
    } else {
        m_server = std::make_unique<QTcpServer>();
    }
    if (!m_server->listen(QHostAddress::LocalHost, 0))
        qFatal("test server: cannot listen on 127.0.0.1");
    connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this, [this] {
        while (QTcpSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
        }
    });
}

QString TestServer::hostAndPort() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_server->serverPort());
}

QByteArray TestServer::origin() const
{
    return (qobject_cast<QSslServer *>(m_server.get()) ? "https://" : "http://") + hostAndPort().toLatin1();
}

QList<QSslCertificate> testCertificate()
{
    return QSslCertificate::fromPath(TAVELO_FIXTURES "/selfsigned.crt");
}

void TestServer::serve(const QByteArray &pathAndQuery, const Response &response)
{
    m_routes.insert(normalised(pathAndQuery), response);
}

int TestServer::openConnections() const
{
    int open = 0;
    for (const QTcpSocket *socket : m_server->findChildren<QTcpSocket *>())
        open += socket->state() == QAbstractSocket::ConnectedState;
    return open;
}

void TestServer::stopListening()
{
    m_server->close();
    // Connections the client opened ahead of need would still reach us.
    for (QTcpSocket *socket : m_server->findChildren<QTcpSocket *>())
        socket->abort();
}

void TestServer::readRequest(QTcpSocket *socket)
{
    // GET requests carry no body: the request ends with its header.
    const QByteArray buffered = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", buffered);
    if (!buffered.contains("\r\n\r\n"))
        return;
    const QByteArray target = normalised(buffered.split(' ').value(1));
    requests.append(target);

    const Response response = m_routes.value(target, Response{404, "<html>not here</html>"});
    if (response.fault == Fault::Hold)
        m_held.append({socket, response});
    else if (response.fault != Fault::NeverAnswer)
        answer(socket, response);
}

void TestServer::releaseHeld()
{
    for (const auto &[socket, response] : std::exchange(m_held, {})) {
        if (socket)
            answer(socket, response);
    }
}

void TestServer::answer(QTcpSocket *socket, const Response &response)
{
    QByteArray header = "HTTP/1.1 " + QByteArray::number(response.status) + " Status\r\n"
                        "Content-Type: " + response.contentType + "\r\n"
                        "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    for (const auto &[name, value] : response.headers)
        header += name + ": " + value + "\r\n";
    header += "Connection: close\r\n\r\n";
    const QByteArray half = response.body.left(response.body.size() / 2);

    switch (response.fault) {
    case Fault::StallMidBody:
        socket->write(header + half);
        return;
    case Fault::CloseMidBody:
        socket->write(header + half);
        break;
    case Fault::Trickle: {
        socket->write(header);
        auto *drip = new QTimer(socket);
        connect(drip, &QTimer::timeout, socket, [socket, drip, body = response.body, sent = 0]() mutable {
            socket->write(body.mid(sent++, 1));
            if (sent >= body.size()) {
                drip->stop();
                socket->disconnectFromHost();
            }
        });
        drip->start(50);
        return;
    }
    default:
        socket->write(header + response.body);
    }
    socket->disconnectFromHost();
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

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray homePage(const QByteArray &picturePath)
{
    return "<!DOCTYPE html>\r\n<html><head><title>Home</title></head>\r\n"
           "<body><script>var a=1;g_img={url:'"
           + picturePath + "',id:'bgDiv'};</script></body></html>\r\n";
}
