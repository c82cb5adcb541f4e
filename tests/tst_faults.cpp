#include "window.h"

#include "platform/failure.h"
#include "platform/http.h"

#include <QBuffer>
#include <QImageWriter>
#include <QSslKey>
#include <QSslServer>
#include <QStandardPaths>

using Response = TestServer::Response;
using Fault = TestServer::Fault;
namespace failure = platform::failure;

namespace {

QByteArray encode(const QImage &picture, const char *format, bool progressive = false)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setProgressiveScanWrite(progressive);
    if (!writer.write(picture))
        qFatal("cannot encode a test picture");
    return bytes;
}

QImage noise(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    quint32 state = 12345;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, (state = state * 1664525u + 1013904223u) >> 8);
    }
    return picture;
}

// A JPEG whose frame header claims a size it does not have.
QByteArray withClaimedSize(QByteArray jpeg, quint16 width, quint16 height)
{
    const qsizetype frame = jpeg.indexOf("\xFF\xC0");
    jpeg[frame + 5] = char(height >> 8);
    jpeg[frame + 6] = char(height & 0xFF);
    jpeg[frame + 7] = char(width >> 8);
    jpeg[frame + 8] = char(width & 0xFF);
    return jpeg;
}

QString generic(qint32 number)
{
    return failure::genericMessage(number);
}

// How the page is reached, where that needs servers of the test's own.
enum class Route { Direct, PageHostGone, RedirectToDeadPort, RedirectToUntrustedTls, RedirectLoop };
// What the picture file and PicUrl hold after the load.
enum class Left { Earlier, EarlierFileNewAddress, New, PicHostAlone };

} // namespace

Q_DECLARE_METATYPE(Response)
Q_DECLARE_METATYPE(Route)
Q_DECLARE_METATYPE(Left)

// Failing servers, hostile pages and pictures: each load ends in the right
// message, or none, and loses nothing.
class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        platform::HttpGet::setTimeLimit(std::chrono::milliseconds(400));
    }

    void loadHoldsUp_data()
    {
        QTest::addColumn<Route>("route");
        QTest::addColumn<Response>("page");
        QTest::addColumn<Response>("picture");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QSize>("shown");
        QTest::addColumn<Left>("left");

        const QString connect = QStringLiteral("发生错误，此问题常发生在不能连接bing服务器。");
        const Response page{200, homePage("/new.jpg")};
        const QByteArray jpegBytes = makeJpeg(80, 60, Qt::blue);
        const Response jpeg{200, jpegBytes, "image/jpeg"};
        const QSize earlier(64, 48), fresh(80, 60);
        auto pageWith = [](const QByteArray &body, int status = 200, Fault fault = Fault::None) {
            return Response{status, body, "text/html", {}, fault};
        };
        auto pictureWith = [](const QByteArray &body, int status = 200) {
            return Response{status, body, "image/jpeg"};
        };

        // Servers that fail
        QTest::newRow("connection refused") << Route::PageHostGone << page << jpeg << connect << earlier << Left::Earlier;
        QTest::newRow("accepts and never answers") << Route::Direct << pageWith(page.body, 200, Fault::NeverAnswer)
                                                   << jpeg << generic(failure::TimedOut) << earlier << Left::Earlier;
        QTest::newRow("stalls mid-body") << Route::Direct << pageWith(page.body, 200, Fault::StallMidBody) << jpeg
                                         << generic(failure::TimedOut) << earlier << Left::Earlier;
        QTest::newRow("closes mid-body") << Route::Direct << pageWith(page.body, 200, Fault::CloseMidBody) << jpeg
                                         << generic(failure::DownloadFailure) << earlier << Left::Earlier;
        QTest::newRow("trickles past the time limit, never stalling")
            << Route::Direct << pageWith("g_img={url:'/new.jpg'}", 200, Fault::Trickle) << jpeg << QString() << fresh
            << Left::New;
        QTest::newRow("redirect loop") << Route::RedirectLoop << page << jpeg << generic(failure::DownloadFailure)
                                       << earlier << Left::Earlier;
        QTest::newRow("redirect to a dead port") << Route::RedirectToDeadPort << page << jpeg << connect << earlier
                                                 << Left::Earlier;
        QTest::newRow("certificate that does not verify") << Route::RedirectToUntrustedTls << page << jpeg
                                                          << generic(failure::SecureFailure) << earlier << Left::Earlier;
        QTest::newRow("page 404 is read as a page") << Route::Direct << pageWith(page.body, 404) << jpeg << QString()
                                                    << fresh << Left::New;
        // The refused download is not noticed; the earlier file is shown again.
        QTest::newRow("picture 404") << Route::Direct << page << pictureWith(jpegBytes, 404) << QString() << earlier
                                     << Left::EarlierFileNewAddress;
        QTest::newRow("picture 500") << Route::Direct << page << pictureWith(jpegBytes, 500) << QString() << earlier
                                     << Left::EarlierFileNewAddress;

        // Pages that are not what they should be
        QTest::newRow("empty page") << Route::Direct << pageWith("") << pictureWith("<html>the main host's page</html>")
                                    << generic(failure::InvalidPicture) << earlier << Left::PicHostAlone;
        QTest::newRow("20 MiB page") << Route::Direct << pageWith(QByteArray(20 << 20, 'x') + page.body) << jpeg
                                     << generic(failure::OutOfMemory) << earlier << Left::Earlier;
        QTest::newRow("NUL bytes and invalid sequences")
            << Route::Direct << pageWith(QByteArray("\0\xFF\xFE\x80\xC3(\0\r\n", 10) + page.body) << jpeg << QString()
            << fresh << Left::New;
        QTest::newRow("marker as the very last characters") << Route::Direct << pageWith("<html>\r\n<script>g_img={url:")
                                                            << jpeg << generic(failure::InvalidArgument) << earlier
                                                            << Left::Earlier;
        QTest::newRow("5 MiB marker line")
            << Route::Direct << pageWith("g_img={url:'/new.jpg'};var s='" + QByteArray(5 << 20, 'y') + "';\r\n")
            << jpeg << QString() << fresh << Left::New;
        QTest::newRow("path leading to another host") << Route::Direct << pageWith("g_img={url:'@localhost:1/new.jpg'}")
                                                      << jpeg << generic(failure::InvalidArgument) << earlier
                                                      << Left::Earlier;
        QTest::newRow("path leading to another port") << Route::Direct << pageWith("g_img={url:':1/new.jpg'}") << jpeg
                                                      << generic(failure::InvalidArgument) << earlier << Left::Earlier;

        // Pictures that are not what they should be
        QTest::newRow("zero bytes") << Route::Direct << page << pictureWith("") << generic(failure::InvalidPicture)
                                    << earlier << Left::New;
        QTest::newRow("HTML served as the picture") << Route::Direct << page
                                                    << pictureWith("<html><body>moved</body></html>")
                                                    << generic(failure::InvalidPicture) << earlier << Left::New;
        const QByteArray whole = encode(noise(80, 60), "JPG");
        QTest::newRow("truncated JPEG, shown as far as it goes")
            << Route::Direct << page << pictureWith(whole.left(whole.size() * 3 / 5)) << QString() << fresh << Left::New;
        QTest::newRow("PNG") << Route::Direct << page << pictureWith(encode(noise(70, 50), "PNG")) << QString()
                             << QSize(70, 50) << Left::New;
        QTest::newRow("progressive JPEG") << Route::Direct << page << pictureWith(encode(noise(90, 40), "JPG", true))
                                          << QString() << QSize(90, 40) << Left::New;
        QTest::newRow("CMYK JPEG") << Route::Direct << page << pictureWith(readFile(TAVELO_FIXTURES "/cmyk.jpg"))
                                   << QString() << QSize(24, 16) << Left::New;
        QTest::newRow("claims 60000 x 60000 pixels") << Route::Direct << page
                                                     << pictureWith(withClaimedSize(jpegBytes, 60000, 60000))
                                                     << generic(failure::InvalidPicture) << earlier << Left::New;
    }

    void loadHoldsUp()
    {
        QFETCH(Route, route);
        QFETCH(Response, page);
        QFETCH(Response, picture);
        QFETCH(QString, message);
        QFETCH(QSize, shown);
        QFETCH(Left, left);

        // An earlier picture on screen and on disk.
        Window window;
        Form1 &form = window.start();
        WAIT_FOR_LOAD(window);
        const QString earlierAddress = form.picUrl();

        QTcpServer deadPort;
        QVERIFY(deadPort.listen(QHostAddress::LocalHost, 0));
        const QByteArray dead = "http://127.0.0.1:" + QByteArray::number(deadPort.serverPort()) + "/";
        deadPort.close();
        QSslServer untrusted;
        const QByteArray pagePath = "/?mkt=zh-CN";
        auto redirect = [&](const QByteArray &to) {
            window.cn.serve(pagePath, Response{302, "", "text/html", {{"Location", to}}});
        };
        switch (route) {
        case Route::Direct:
            window.cn.serve(pagePath, page);
            break;
        case Route::PageHostGone:
            window.cn.stopListening();
            break;
        case Route::RedirectLoop:
            redirect(window.cn.origin() + pagePath);
            break;
        case Route::RedirectToDeadPort:
            redirect(dead);
            break;
        case Route::RedirectToUntrustedTls: {
            QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
            QFile key(TAVELO_FIXTURES "/selfsigned.key");
            QVERIFY(key.open(QIODevice::ReadOnly));
            tls.setPrivateKey(QSslKey(&key, QSsl::Rsa));
            tls.setLocalCertificateChain(QSslCertificate::fromPath(TAVELO_FIXTURES "/selfsigned.crt"));
            untrusted.setSslConfiguration(tls);
            QVERIFY(untrusted.listen(QHostAddress::LocalHost, 0));
            redirect("https://127.0.0.1:" + QByteArray::number(untrusted.serverPort()) + "/");
            break;
        }
        }
        window.main.serve("/new.jpg", picture);
        window.main.serve("/", picture);
        window.main.requests.clear();

        window.click("Option1(0)");
        WAIT_FOR_LOAD(window);

        QCOMPARE(window.dialogs.messages.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QCOMPARE(window.dialogs.messages[0].text, message);
        QCOMPARE(window.shown(), shown);
        QCOMPARE(form.frameGeometry().size(), QSize(shown.width(), shown.height() + 67));

        const QString file = window.folder.filePath("temp.jpg");
        const QString origin = window.main.origin();
        switch (left) {
        case Left::Earlier:
            QCOMPARE(readFile(file), window.first);
            QCOMPARE(form.picUrl(), earlierAddress);
            QVERIFY(window.main.requests.isEmpty());
            break;
        case Left::EarlierFileNewAddress:
            QCOMPARE(readFile(file), window.first);
            QCOMPARE(form.picUrl(), origin + "/new.jpg");
            break;
        case Left::New:
            QCOMPARE(readFile(file), picture.body);
            QCOMPARE(form.picUrl(), origin + "/new.jpg");
            break;
        case Left::PicHostAlone:
            QCOMPARE(readFile(file), picture.body);
            QCOMPARE(form.picUrl(), origin);
            break;
        }
        // Nothing half-written stays beside the picture.
        QCOMPARE(QDir(window.folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"temp.jpg"});
    }

    // The new picture file takes the old one's place whole: whoever is
    // reading the old one goes on reading the old one.
    void pictureFileIsReplacedWhole()
    {
        Window window;
        window.start();
        WAIT_FOR_LOAD(window);
        QFile reader(window.folder.filePath("temp.jpg"));
        QVERIFY(reader.open(QIODevice::ReadOnly));
        const QByteArray second = encode(noise(300, 200), "JPG");
        window.main.serve("/first.jpg", second);
        window.click("Option1(0)");
        WAIT_FOR_LOAD(window);
        QCOMPARE(readFile(reader.fileName()), second);
        QCOMPARE(reader.readAll(), window.first);
    }
};

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
