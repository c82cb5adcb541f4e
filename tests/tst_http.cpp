#include "platform/failure.h"
#include "platform/http.h"

#include "testserver.h"

#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTest>

using platform::HttpGet;
using platform::HttpResult;
namespace failure = platform::failure;

// One GET: what it gives back, and the failure numbers it reports.
class TestHttp : public QObject
{
    Q_OBJECT

private slots:
    void failureNumbers_data();
    void failureNumbers();
    void redirectIsFollowed();
    void deletingAbandonsWithoutSignal();

private:
    HttpResult run(HttpGet &get);
    QNetworkAccessManager m_network;
};

HttpResult TestHttp::run(HttpGet &get)
{
    QSignalSpy finished(&get, &HttpGet::finished);
    if (!finished.wait(10000))
        qWarning("request did not finish");
    return get.result();
}

void TestHttp::failureNumbers_data()
{
    QTest::addColumn<QNetworkReply::NetworkError>("error");
    QTest::addColumn<bool>("requestSent");
    QTest::addColumn<qint32>("number");

    using E = QNetworkReply::NetworkError;
    QTest::newRow("refused") << E::ConnectionRefusedError << false << failure::CannotConnect;
    QTest::newRow("no such host") << E::HostNotFoundError << false << failure::CannotConnect;
    QTest::newRow("unreachable") << E::UnknownNetworkError << false << failure::CannotConnect;
    QTest::newRow("time-out before the request went out")
        << E::TimeoutError << false << failure::CannotConnect;
    QTest::newRow("time-out after the request went out")
        << E::TimeoutError << true << failure::TimedOut;
    QTest::newRow("secure connection") << E::SslHandshakeFailedError << true
                                       << failure::SecureFailure;
    QTest::newRow("closed midway") << E::RemoteHostClosedError << true
                                   << failure::DownloadFailure;
    QTest::newRow("redirect loop") << E::TooManyRedirectsError << true
                                   << failure::DownloadFailure;
}

void TestHttp::failureNumbers()
{
    QFETCH(QNetworkReply::NetworkError, error);
    QFETCH(bool, requestSent);
    QFETCH(qint32, number);
    QCOMPARE(platform::failureForNetworkError(error, requestSent), number);
}

void TestHttp::redirectIsFollowed()
{
    TestServer server;
    const QByteArray target = "http://" + server.hostAndPort().toLatin1() + "/there";
    server.serve("/here", TestServer::Response{301, "", "text/html", {{"Location", target}}});
    server.serve("/there", "arrived");
    HttpGet get(m_network, QUrl("http://" + server.hostAndPort() + "/here"), HttpGet::Body::Keep,
                1000);
    const HttpResult result = run(get);
    QCOMPARE(result.failure, 0);
    QCOMPARE(result.body, QByteArray("arrived"));
}

void TestHttp::deletingAbandonsWithoutSignal()
{
    TestServer server;
    server.serve("/page", "text");
    auto *get = new HttpGet(m_network, QUrl("http://" + server.hostAndPort() + "/page"),
                            HttpGet::Body::Keep, 1000);
    bool finished = false;
    connect(get, &HttpGet::finished, this, [&finished] { finished = true; });
    delete get;
    QTest::qWait(200);
    QVERIFY(!finished);
}

QTEST_GUILESS_MAIN(TestHttp)
#include "tst_http.moc"
