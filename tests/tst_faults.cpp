#include "window.h"

#include "platform/failure.h"
#include "platform/http.h"

#include <QBuffer>
#include <QImageWriter>
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
// What the picture file holds after the load.
enum class File { Earlier, Picture, Archived };

const QByteArray Archived = "/th?id=OHR.Today_1920x1080.jpg";
const QByteArray Unchanged = "(unchanged)";

QByteArray quoted(const QByteArray &text)
{
    return '"' + text + '"';
}

// The image archive's answer, naming its picture by urlbase, url, or both
// (JSON values).
Response archive(const QByteArray &urlbase, const QByteArray &url = {})
{
    QByteArray image = "\"copyright\":\"A place (\\u00a9 Someone)\",\"title\":\"Info\"";
    if (!urlbase.isNull())
        image += ",\"urlbase\":" + urlbase;
    if (!url.isNull())
        image += ",\"url\":" + url;
    return Response{200, "{\"images\":[{" + image + "}],\"market\":{\"mkt\":\"zh-CN\"}}", "application/json"};
}

} // namespace

Q_DECLARE_METATYPE(Response)
Q_DECLARE_METATYPE(Route)
Q_DECLARE_METATYPE(File)

// Failing servers, hostile pages, pictures and archive answers: each load
// ends in the right message, or none, and loses nothing.
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
        QTest::addColumn<Response>("picture"); // at /new.jpg, and at / for a page that names none
        QTest::addColumn<Response>("answer");  // the archive's
        QTest::addColumn<QString>("message");
        QTest::addColumn<QSize>("shown");
        QTest::addColumn<File>("file");
        QTest::addColumn<QByteArray>("address"); // PicUrl after the origin
        QTest::addColumn<bool>("archiveAsked");

        const QString connect = QStringLiteral("发生错误，此问题常发生在不能连接bing服务器。");
        const Response page{200, homePage("/new.jpg")}, none{404, "no archive here"};
        const QByteArray jpegBytes = makeJpeg(80, 60, Qt::blue);
        const Response jpeg{200, jpegBytes, "image/jpeg"}, html{200, "<html>a page</html>"};
        const Response today = archive(quoted("/th?id=OHR.Today"));
        const QSize earlier(64, 48), fresh(80, 60), archived(90, 50);
        const QString invalidArgument = generic(failure::InvalidArgument), noFile = generic(failure::FileNotFound),
                      noPicture = generic(failure::InvalidPicture);
        auto pageWith = [](const QByteArray &body, int status = 200, Fault fault = Fault::None) {
            return Response{status, body, "text/html", {}, fault};
        };
        auto pictureWith = [](const QByteArray &body, int status = 200, Fault fault = Fault::None) {
            return Response{status, body, "image/jpeg", {}, fault};
        };
        auto row = [&](const char *name, const Response &pageResponse, const Response &picture, const Response &answer,
                       const QString &message, QSize shown, File file, const QByteArray &address, bool asked,
                       Route route = Route::Direct) {
            QTest::newRow(name) << route << pageResponse << picture << answer << message << shown << file << address
                                << asked;
        };

        // Servers that fail: where the page cannot be had, nothing else is asked.
        row("connection refused", page, jpeg, today, connect, earlier, File::Earlier, Unchanged, false, Route::PageHostGone);
        row("accepts and never answers", pageWith(page.body, 200, Fault::NeverAnswer), jpeg, today,
            generic(failure::TimedOut), earlier, File::Earlier, Unchanged, false);
        row("stalls mid-body", pageWith(page.body, 200, Fault::StallMidBody), jpeg, today, generic(failure::TimedOut),
            earlier, File::Earlier, Unchanged, false);
        row("closes mid-body", pageWith(page.body, 200, Fault::CloseMidBody), jpeg, today,
            generic(failure::DownloadFailure), earlier, File::Earlier, Unchanged, false);
        row("trickles past the time limit, never stalling", pageWith("g_img={url:'/new.jpg'}", 200, Fault::Trickle),
            jpeg, none, {}, fresh, File::Picture, "/new.jpg", false);
        row("redirect loop", page, jpeg, today, generic(failure::DownloadFailure), earlier, File::Earlier, Unchanged,
            false, Route::RedirectLoop);
        row("redirect to a dead port", page, jpeg, today, connect, earlier, File::Earlier, Unchanged, false,
            Route::RedirectToDeadPort);
        row("certificate that does not verify", page, jpeg, today, generic(failure::SecureFailure), earlier,
            File::Earlier, Unchanged, false, Route::RedirectToUntrustedTls);
        row("page 404 is read as a page", pageWith(page.body, 404), jpeg, none, {}, fresh, File::Picture, "/new.jpg", false);
        row("picture 404", page, pictureWith(jpegBytes, 404), none, noFile, earlier, File::Earlier, "/new.jpg", true);
        row("picture cut short", page, pictureWith(jpegBytes, 200, Fault::CloseMidBody), none, noFile, earlier,
            File::Earlier, "/new.jpg", true);

        // Pages that are not what they should be
        row("empty page", pageWith(""), html, none, noPicture, earlier, File::Earlier, "", true);
        row("20 MiB page", pageWith(QByteArray(20 << 20, 'x') + page.body), jpeg, today, generic(failure::OutOfMemory),
            earlier, File::Earlier, Unchanged, false);
        row("NUL bytes and invalid sequences", pageWith(QByteArray("\0\xFF\xFE\x80\xC3(\0\r\n", 10) + page.body), jpeg,
            none, {}, fresh, File::Picture, "/new.jpg", false);
        row("marker as the very last characters", pageWith("<html>\r\n<script>g_img={url:"), jpeg, none,
            invalidArgument, earlier, File::Earlier, Unchanged, true);
        row("5 MiB marker line", pageWith("g_img={url:'/new.jpg'};var s='" + QByteArray(5 << 20, 'y') + "';\r\n"), jpeg,
            none, {}, fresh, File::Picture, "/new.jpg", false);
        row("path leading to another host", pageWith("g_img={url:'@localhost:1/new.jpg'}"), jpeg, none,
            invalidArgument, earlier, File::Earlier, Unchanged, true);
        row("path leading to another port", pageWith("g_img={url:':1/new.jpg'}"), jpeg, none, invalidArgument,
            earlier, File::Earlier, Unchanged, true);

        // Pictures that are not what they should be: the earlier file stays.
        row("zero bytes", page, pictureWith(""), none, noPicture, earlier, File::Earlier, "/new.jpg", true);
        row("HTML served as the picture", page, html, none, noPicture, earlier, File::Earlier, "/new.jpg", true);
        row("claims 60000 x 60000 pixels", page, pictureWith(withClaimedSize(jpegBytes, 60000, 60000)), none,
            noPicture, earlier, File::Earlier, "/new.jpg", true);
        const QByteArray whole = encode(noise(80, 60), "JPG");
        row("truncated JPEG, shown as far as it goes", page, pictureWith(whole.left(whole.size() * 3 / 5)), none, {},
            fresh, File::Picture, "/new.jpg", false);
        row("PNG", page, pictureWith(encode(noise(70, 50), "PNG")), none, {}, QSize(70, 50), File::Picture,
            "/new.jpg", false);
        row("progressive JPEG", page, pictureWith(encode(noise(90, 40), "JPG", true)), none, {}, QSize(90, 40),
            File::Picture, "/new.jpg", false);
        row("CMYK JPEG", page, pictureWith(readFile(TAVELO_FIXTURES "/cmyk.jpg")), none, {}, QSize(24, 16),
            File::Picture, "/new.jpg", false);

        // The home page's statement as it was written over the years: where
        // it gives no picture, the archive does, or the load fails as before.
        const Response page2011 = pageWith("g_img={url:'/new.jpg',id:'bgDiv',d:'200',cN:'_SNCPlace'};\r\n");
        const Response page2016 = pageWith("g_img={url: \"/az/hprichbg/rb/Lake_ZH-CN1_1920x1080.jpg\",id:'bgDiv'};");
        const Response page2019 = pageWith("g_img={url:\"\\/th?id=OHR.Lake_ZH-CN1_1920x1080.jpg\\u0026pid=hp\",d:1};");
        const Response pageToday = pageWith("<link id=\"preloadBg\" href=\"/th?id=OHR.Lake_1920x1080.jpg\">");
        row("2011 page", page2011, jpeg, today, {}, fresh, File::Picture, "/new.jpg", false);
        row("2016 page, archive", page2016, jpeg, today, {}, archived, File::Archived, Archived, true);
        row("2016 page, no archive", page2016, jpeg, none, invalidArgument, earlier, File::Earlier, Unchanged, true);
        row("2019 page, archive", page2019, jpeg, today, {}, archived, File::Archived, Archived, true);
        row("2019 page, no archive", page2019, jpeg, none, invalidArgument, earlier, File::Earlier, Unchanged, true);
        row("today's page, archive", pageToday, html, today, {}, archived, File::Archived, Archived, true);
        row("today's page, no archive", pageToday, html, none, noPicture, earlier, File::Earlier, "", true);
        row("archive names the picture by url alone", pageToday, html, archive({}, quoted(Archived)), {},
            archived, File::Archived, Archived, true);

        // Archive answers that are not what they should be (more in tst_retrieval)
        const QList<QPair<const char *, Response>> answers = {
            {"archive: not JSON", Response{200, "<html>archive</html>"}},
            {"archive: another host", archive(quoted("//127.0.0.1:1/th?id=OHR.Today"))},
            {"archive: over 1 MiB", archive(quoted("/th?id=OHR.Today"), quoted(QByteArray(1 << 20, 'x')))},
            {"archive: picture 404", archive(quoted("/th?id=OHR.Gone"))},
            {"archive: picture is a page", archive(quoted("/th?id=OHR.Page"))},
        };
        for (const auto &[name, answer] : answers)
            row(name, pageToday, html, answer, noPicture, earlier, File::Earlier, "", true);
    }

    void loadHoldsUp()
    {
        QFETCH(Route, route);
        QFETCH(Response, page);
        QFETCH(Response, picture);
        QFETCH(Response, answer);
        QFETCH(QString, message);
        QFETCH(QSize, shown);
        QFETCH(File, file);
        QFETCH(QByteArray, address);
        QFETCH(bool, archiveAsked);

        // An earlier picture on screen and on disk.
        Window window;
        Form1 &form = window.start();
        WAIT_FOR_LOAD(window);
        const QString earlierAddress = form.picUrl();

        QTcpServer deadPort;
        QVERIFY(deadPort.listen(QHostAddress::LocalHost, 0));
        const QByteArray dead = "http://127.0.0.1:" + QByteArray::number(deadPort.serverPort()) + "/";
        deadPort.close();
        TestServer untrusted(TestServer::Tls);
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
        case Route::RedirectToUntrustedTls:
            redirect(untrusted.origin() + "/");
            break;
        }
        const QByteArray archivedBytes = makeJpeg(90, 50, Qt::green);
        window.main.serve("/new.jpg", picture);
        window.main.serve("/", picture);
        window.main.serve("/HPImageArchive.aspx?format=js&idx=0&n=1&mbl=1&mkt=zh-CN", answer);
        window.main.serve(Archived, archivedBytes);
        window.main.serve("/th?id=OHR.Page_1920x1080.jpg", Response{200, "<html>a page</html>"});
        window.main.requests.clear();

        window.click("Option1(0)");
        WAIT_FOR_LOAD(window);

        QCOMPARE(window.dialogs.messages.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QCOMPARE(window.dialogs.messages[0].text, message);
        QCOMPARE(window.shown(), Window::onScreen(shown));
        QCOMPARE(form.frameGeometry().size(), Window::around(Window::onScreen(shown)));
        const QByteArray held[] = {window.first, picture.body, archivedBytes};
        QCOMPARE(readFile(window.folder.filePath("temp.jpg")), held[int(file)]);
        QCOMPARE(form.picUrl(), address == Unchanged ? earlierAddress : window.main.origin() + address);
        QCOMPARE(window.main.requests.contains("/HPImageArchive.aspx?format=js&idx=0&n=1&mbl=1&mkt=zh-CN"),
                 archiveAsked);
        QCOMPARE(window.child("Image1")->toolTip(), file == File::Archived ? "A place (© Someone)" : "");
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
