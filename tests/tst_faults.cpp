#include "app/form1.h"

#include "fakes.h"
#include "files.h"
#include "localhosts.h"

#include "platform/failure.h"
#include "platform/http.h"
#include "platform/picturefile.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QLabel>
#include <QProcess>
#include <QRadioButton>
#include <QSslKey>
#include <QSslServer>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

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
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            picture.setPixel(x, y, state >> 8);
        }
    }
    return picture;
}

// A JPEG whose frame header claims a size it does not have.
QByteArray withClaimedSize(QByteArray jpeg, quint16 width, quint16 height)
{
    const qsizetype frame = jpeg.indexOf("\xFF\xC0");
    if (frame < 0)
        qFatal("no baseline frame header");
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

} // namespace

// How the page is reached, where that needs servers of the test's own.
enum class Route { Direct, PageHostGone, RedirectToDeadPort, RedirectToUntrustedTls, RedirectLoop };
// What the picture file and PicUrl hold after the load.
enum class Left { Earlier, EarlierFileNewAddress, New, PicHostAlone };

Q_DECLARE_METATYPE(Response)
Q_DECLARE_METATYPE(Route)
Q_DECLARE_METATYPE(Left)

// Failing servers, hostile pages and pictures, and a hostile file system:
// each case ends in the right message, or none, and loses nothing.
class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void loadHoldsUp_data();
    void loadHoldsUp();
    void hugeClaimedSizeAllocatesNothing();
    void unwritableSaveFolderIsSilent();
    void twoProgramsShareOneFolder();

private:
    void waitForLoad();

    std::unique_ptr<LocalHosts> m_hosts;
    std::unique_ptr<QTemporaryDir> m_folder;
    FakeDialogs m_dialogs;
    FakeClock m_clock;
    std::unique_ptr<Form1> m_form;
};

void TestFaults::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    platform::HttpGet::setTimeLimit(std::chrono::milliseconds(400));
}

void TestFaults::init()
{
    m_hosts = std::make_unique<LocalHosts>();
    m_folder = std::make_unique<QTemporaryDir>();
    m_dialogs = FakeDialogs();
}

void TestFaults::cleanup()
{
    m_form.reset();
    m_hosts.reset();
}

void TestFaults::waitForLoad()
{
    auto *timer = m_form->findChild<QTimer *>(QStringLiteral("Timer1"));
    QTRY_VERIFY_WITH_TIMEOUT(
        (timer->isActive() && QMetaObject::invokeMethod(timer, "timeout"), !timer->isActive()),
        20000);
}

void TestFaults::loadHoldsUp_data()
{
    QTest::addColumn<Route>("route");
    QTest::addColumn<Response>("page");
    QTest::addColumn<Response>("picture");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QSize>("shown");
    QTest::addColumn<Left>("left");

    const QString connect = QStringLiteral("发生错误，此问题常发生在不能连接bing服务器。");
    const Response page{200, homePage("/new.jpg"), "text/html"};
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
    QTest::newRow("connection refused") << Route::PageHostGone << page << jpeg << connect
                                        << earlier << Left::Earlier;
    QTest::newRow("accepts and never answers")
        << Route::Direct << pageWith(page.body, 200, Fault::NeverAnswer) << jpeg
        << generic(failure::TimedOut) << earlier << Left::Earlier;
    QTest::newRow("stalls mid-body") << Route::Direct << pageWith(page.body, 200, Fault::StallMidBody)
                                     << jpeg << generic(failure::TimedOut) << earlier
                                     << Left::Earlier;
    QTest::newRow("closes mid-body") << Route::Direct << pageWith(page.body, 200, Fault::CloseMidBody)
                                     << jpeg << generic(failure::DownloadFailure) << earlier
                                     << Left::Earlier;
    QTest::newRow("trickles past the time limit, never stalling")
        << Route::Direct << pageWith("g_img={url:'/new.jpg'}", 200, Fault::Trickle) << jpeg
        << QString() << fresh << Left::New;
    QTest::newRow("redirect loop") << Route::RedirectLoop << page << jpeg
                                   << generic(failure::DownloadFailure) << earlier
                                   << Left::Earlier;
    QTest::newRow("redirect to a dead port") << Route::RedirectToDeadPort << page << jpeg
                                             << connect << earlier << Left::Earlier;
    QTest::newRow("certificate that does not verify")
        << Route::RedirectToUntrustedTls << page << jpeg << generic(failure::SecureFailure)
        << earlier << Left::Earlier;
    QTest::newRow("page 404 is read as a page") << Route::Direct << pageWith(page.body, 404)
                                                << jpeg << QString() << fresh << Left::New;
    QTest::newRow("page 500 is read as a page") << Route::Direct << pageWith(page.body, 500)
                                                << jpeg << QString() << fresh << Left::New;
    // The refused download is not noticed; the earlier file is shown again.
    QTest::newRow("picture 404") << Route::Direct << page << pictureWith(jpegBytes, 404)
                                 << QString() << earlier << Left::EarlierFileNewAddress;
    QTest::newRow("picture 500") << Route::Direct << page << pictureWith(jpegBytes, 500)
                                 << QString() << earlier << Left::EarlierFileNewAddress;

    // Pages that are not what they should be
    QTest::newRow("empty page") << Route::Direct << pageWith("")
                                << pictureWith("<html>the main host's page</html>")
                                << generic(failure::InvalidPicture) << earlier
                                << Left::PicHostAlone;
    QTest::newRow("20 MiB page") << Route::Direct << pageWith(QByteArray(20 << 20, 'x') + page.body)
                                 << jpeg << generic(failure::OutOfMemory) << earlier
                                 << Left::Earlier;
    QTest::newRow("NUL bytes and invalid sequences")
        << Route::Direct << pageWith(QByteArray("\0\xFF\xFE\x80\xC3(\0\r\n", 10) + page.body)
        << jpeg << QString() << fresh << Left::New;
    QTest::newRow("marker as the very last characters")
        << Route::Direct << pageWith("<html>\r\n<script>g_img={url:") << jpeg
        << generic(failure::InvalidArgument) << earlier << Left::Earlier;
    QTest::newRow("5 MiB marker line")
        << Route::Direct
        << pageWith("g_img={url:'/new.jpg'};var s='" + QByteArray(5 << 20, 'y') + "';\r\n") << jpeg
        << QString() << fresh << Left::New;
    QTest::newRow("path leading to another host")
        << Route::Direct << pageWith("g_img={url:'@localhost:1/new.jpg'}") << jpeg
        << generic(failure::InvalidArgument) << earlier << Left::Earlier;
    QTest::newRow("path leading to another port")
        << Route::Direct << pageWith("g_img={url:':1/new.jpg'}") << jpeg
        << generic(failure::InvalidArgument) << earlier << Left::Earlier;

    // Pictures that are not what they should be
    QTest::newRow("zero bytes") << Route::Direct << page << pictureWith("")
                                << generic(failure::InvalidPicture) << earlier << Left::New;
    QTest::newRow("HTML served as the picture")
        << Route::Direct << page << pictureWith("<html><body>moved</body></html>")
        << generic(failure::InvalidPicture) << earlier << Left::New;
    const QByteArray whole = encode(noise(80, 60), "JPG");
    const QByteArray truncated = whole.left(whole.size() * 3 / 5);
    QTest::newRow("truncated JPEG, shown as far as it goes") << Route::Direct << page
                                    << pictureWith(truncated)
                                    << QString() << fresh << Left::New;
    QTest::newRow("PNG") << Route::Direct << page << pictureWith(encode(noise(70, 50), "PNG"))
                         << QString() << QSize(70, 50) << Left::New;
    const QByteArray progressive = encode(noise(90, 40), "JPG", true);
    QVERIFY(progressive.contains("\xFF\xC2")); // a progressive frame header
    QTest::newRow("progressive JPEG") << Route::Direct << page << pictureWith(progressive)
                                      << QString() << QSize(90, 40) << Left::New;
    QFile cmyk(QStringLiteral(TAVELO_FIXTURES "/cmyk.jpg"));
    QVERIFY(cmyk.open(QIODevice::ReadOnly));
    QTest::newRow("CMYK JPEG") << Route::Direct << page << pictureWith(cmyk.readAll())
                               << QString() << QSize(24, 16) << Left::New;
    QImage grey(6000, 6000, QImage::Format_Grayscale8); // 36 MB, but 144 MB on screen
    grey.fill(128);
    QTest::newRow("grey picture too big to show")
        << Route::Direct << page << pictureWith(encode(grey, "PNG"))
        << generic(failure::InvalidPicture) << earlier << Left::New;
    QTest::newRow("claims 60000 x 60000 pixels")
        << Route::Direct << page << pictureWith(withClaimedSize(jpegBytes, 60000, 60000))
        << generic(failure::InvalidPicture) << earlier << Left::New;
}

void TestFaults::loadHoldsUp()
{
    QFETCH(Route, route);
    QFETCH(Response, page);
    QFETCH(Response, picture);
    QFETCH(QString, message);
    QFETCH(QSize, shown);
    QFETCH(Left, left);

    // An earlier picture on screen and on disk.
    const QByteArray earlierBytes = makeJpeg(64, 48, Qt::red);
    m_hosts->servePicture("/first.jpg", earlierBytes);
    m_form = std::make_unique<Form1>(platform::Services{&m_dialogs, &m_clock, m_folder->path()});
    m_form->Form_Load();
    waitForLoad();
    QCOMPARE(m_dialogs.messages.size(), 0);
    const QString earlierAddress = m_form->picUrl();

    QTcpServer deadPort;
    QVERIFY(deadPort.listen(QHostAddress::LocalHost, 0));
    const quint16 dead = deadPort.serverPort();
    deadPort.close();
    QSslServer untrusted;
    QTcpServer::connect(&untrusted, &QSslServer::pendingConnectionAvailable, &untrusted,
                        [&untrusted] {
                            while (QTcpSocket *socket = untrusted.nextPendingConnection())
                                socket->setParent(&untrusted);
                        });

    const QByteArray pagePath = "/?mkt=zh-CN";
    switch (route) {
    case Route::Direct:
        m_hosts->cn.serve(pagePath, page);
        break;
    case Route::PageHostGone:
        m_hosts->cn.stopListening();
        break;
    case Route::RedirectLoop:
        m_hosts->cn.serve(pagePath, Response{302, "", "text/html",
                                             {{"Location", "http://" + m_hosts->cn.hostAndPort().toLatin1() + pagePath}}});
        break;
    case Route::RedirectToDeadPort:
        m_hosts->cn.serve(pagePath, Response{302, "", "text/html",
                                             {{"Location", "http://127.0.0.1:" + QByteArray::number(dead) + "/"}}});
        break;
    case Route::RedirectToUntrustedTls: {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        QFile key(QStringLiteral(TAVELO_FIXTURES "/selfsigned.key"));
        QVERIFY(key.open(QIODevice::ReadOnly));
        tls.setPrivateKey(QSslKey(&key, QSsl::Rsa));
        tls.setLocalCertificateChain(
            QSslCertificate::fromPath(QStringLiteral(TAVELO_FIXTURES "/selfsigned.crt")));
        untrusted.setSslConfiguration(tls);
        QVERIFY(untrusted.listen(QHostAddress::LocalHost, 0));
        m_hosts->cn.serve(pagePath, Response{301, "", "text/html",
                                             {{"Location", "https://127.0.0.1:" + QByteArray::number(untrusted.serverPort()) + "/"}}});
        break;
    }
    }
    m_hosts->main.serve("/new.jpg", picture);
    m_hosts->main.serve("/", picture);
    m_hosts->main.clearRequests();

    QTest::mouseClick(m_form->findChild<QRadioButton *>(QStringLiteral("Option1(0)")),
                      Qt::LeftButton);
    waitForLoad();

    QCOMPARE(m_dialogs.messages.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty())
        QCOMPARE(m_dialogs.messages[0].text, message);
    QCOMPARE(m_form->findChild<QLabel *>(QStringLiteral("Image1"))->pixmap().size(), shown);
    QCOMPARE(m_form->frameGeometry().size(), QSize(shown.width(), shown.height() + 67));

    const QString origin = m_hosts->mainOrigin();
    switch (left) {
    case Left::Earlier:
        QCOMPARE(readFile(m_form->pictureFile()), earlierBytes);
        QCOMPARE(m_form->picUrl(), earlierAddress);
        QVERIFY(m_hosts->main.requests().isEmpty());
        break;
    case Left::EarlierFileNewAddress:
        QCOMPARE(readFile(m_form->pictureFile()), earlierBytes);
        QCOMPARE(m_form->picUrl(), origin + "/new.jpg");
        break;
    case Left::New:
        QCOMPARE(readFile(m_form->pictureFile()), picture.body);
        QCOMPARE(m_form->picUrl(), origin + "/new.jpg");
        break;
    case Left::PicHostAlone:
        QCOMPARE(readFile(m_form->pictureFile()), picture.body);
        QCOMPARE(m_form->picUrl(), origin);
        break;
    }
    // Nothing half-written stays beside the picture.
    QCOMPARE(QDir(m_folder->path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("temp.jpg")});
}

void TestFaults::hugeClaimedSizeAllocatesNothing()
{
    const QString path = m_folder->filePath("huge.jpg");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(withClaimedSize(makeJpeg(16, 16, Qt::red), 60000, 60000));
    file.close();

    const qint64 before = peakMemoryKiB();
    const platform::PictureFile result = platform::loadPictureFile(path);
    QCOMPARE(result.failure, failure::InvalidPicture);
    QVERIFY(result.picture.isNull());
    QVERIFY2(peakMemoryKiB() - before < 64 * 1024, "decoding allocated a huge picture");
}

void TestFaults::unwritableSaveFolderIsSilent()
{
    m_hosts->servePicture("/first.jpg", makeJpeg(64, 48, Qt::red));
    m_form = std::make_unique<Form1>(platform::Services{&m_dialogs, &m_clock, m_folder->path()});
    m_form->Form_Load();
    waitForLoad();
    // Not even an administrator may create files in /proc.
    m_dialogs.saveAnswers.enqueue(QStringLiteral("/proc/tavelo-test.jpg"));
    QTest::mouseClick(m_form->findChild<QWidget *>(QStringLiteral("Command1")), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_hosts->main.requests().count("/first.jpg"), 3, 15000);
    QTest::qWait(100);
    QVERIFY(!QFile::exists(QStringLiteral("/proc/tavelo-test.jpg")));
    QVERIFY(m_dialogs.messages.isEmpty());
}

// Two copies of the program load into one folder at once: the picture file
// is always whole, and each shows the whole picture.
void TestFaults::twoProgramsShareOneFolder()
{
    const QByteArray big = encode(noise(1200, 900), "JPG");
    m_hosts->servePicture("/big.jpg", big);

    for (int round = 0; round < 3; ++round) {
        QProcess first, second;
        for (QProcess *probe : {&first, &second}) {
            probe->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            probe->start(QStringLiteral(TAVELO_PROBE), {m_folder->path()});
        }
        const QString picturePath = m_folder->filePath("temp.jpg");
        while (first.state() != QProcess::NotRunning || second.state() != QProcess::NotRunning) {
            const QByteArray seen = readFile(picturePath);
            QVERIFY2(seen.isEmpty() || seen == big, "the picture file was seen half-written");
            QTest::qWait(1); // the servers answer from this event loop
        }
        for (QProcess *probe : {&first, &second}) {
            QCOMPARE(probe->exitCode(), 0);
            QCOMPARE(probe->readAllStandardOutput(), QByteArray("picture 1200x900\n"));
        }
        QCOMPARE(readFile(picturePath), big);
    }
}

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
