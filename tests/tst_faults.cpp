#include "window.h"

#include "platform/failure.h"
#include "platform/http.h"

#include <QStandardPaths>

using Response = TestServer::Response;
using Fault = TestServer::Fault;
using platform::Failure;

namespace {

// How the page is reached, where that needs servers of the test's own.
enum class Route { Direct, PageHostGone, RedirectToDeadPort, RedirectLoop };
// What the picture file holds after the load.
enum class File { Earlier, Picture, Archived };

const QByteArray Archived = "/th?id=OHR.Today_1920x1080.jpg", Unchanged = "(unchanged)";
const QByteArray ArchiveQuery = "/HPImageArchive.aspx?format=js&idx=0&n=8&mbl=1&mkt=zh-CN";

// The image archive's answer, naming its picture by urlbase, or by url.
Response archive(const QByteArray &urlbase, const QByteArray &url = {})
{
    const QByteArray name = url.isEmpty() ? "\"urlbase\":\"" + urlbase : "\"url\":\"" + url;
    return {200, "{\"images\":[{" + name + "\",\"copyright\":\"A place (\\u00a9 Someone)\",\"title\":\"Info\"}]}"};
}

Response page(const QByteArray &body, int status = 200, Fault fault = Fault::None)
{
    return {status, body, "text/html", fault};
}

Response picture(const QByteArray &body, int status = 200, Fault fault = Fault::None)
{
    return {status, body, "image/jpeg", fault};
}

} // namespace

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
        QTest::addColumn<Response>("home");    // the China home page
        QTest::addColumn<Response>("served");  // at /new.jpg, and at / for a page that names none
        QTest::addColumn<Response>("answer");  // the archive's
        QTest::addColumn<QString>("message");
        QTest::addColumn<QSize>("shown");
        QTest::addColumn<File>("file");
        QTest::addColumn<QByteArray>("address"); // PicUrl after the origin
        QTest::addColumn<bool>("archiveAsked");

        const QString connect = platform::loadMessage(Failure::CannotConnect);
        const QString invalidArgument = genericMessage(Failure::InvalidArgument), noFile = genericMessage(Failure::FileNotFound),
                      noPicture = genericMessage(Failure::InvalidPicture);
        const QByteArray named = homePage("/new.jpg"), jpegBytes = makeJpeg(80, 60, Qt::blue);
        const Response jpeg = picture(jpegBytes), html = page("<html>a page</html>"), today = archive("/th?id=OHR.Today");
        const QSize earlier(64, 48), fresh(80, 60), archived(90, 50);
        auto row = [](const char *name, const Response &home, const Response &served, const QString &message, QSize shown,
                      File file, const QByteArray &address, bool asked, const Response &answer = {404, ""},
                      Route route = Route::Direct) {
            QTest::newRow(name) << route << home << served << answer << message << shown << file << address << asked;
        };

        // Servers that fail: where the page cannot be had, nothing else is asked.
        row("connection refused", page(named), jpeg, connect, earlier, File::Earlier, Unchanged, false, today, Route::PageHostGone);
        row("accepts and never answers", page(named, 200, Fault::NeverAnswer), jpeg, genericMessage(Failure::TimedOut), earlier, File::Earlier, Unchanged, false, today);
        row("stalls mid-body", page(named, 200, Fault::StallMidBody), jpeg, genericMessage(Failure::TimedOut), earlier, File::Earlier, Unchanged, false, today);
        row("closes mid-body", page(named, 200, Fault::CloseMidBody), jpeg, genericMessage(Failure::DownloadFailure), earlier, File::Earlier, Unchanged, false, today);
        row("trickles past the time limit, never stalling", page("g_img={url:'/new.jpg'}", 200, Fault::Trickle), jpeg, {}, fresh, File::Picture, "/new.jpg", false);
        row("redirect loop", page(named), jpeg, genericMessage(Failure::DownloadFailure), earlier, File::Earlier, Unchanged, false, today, Route::RedirectLoop);
        row("redirect to a dead port", page(named), jpeg, connect, earlier, File::Earlier, Unchanged, false, today, Route::RedirectToDeadPort);
        row("page 404 is read as a page", page(named, 404), jpeg, {}, fresh, File::Picture, "/new.jpg", false);
        // A picture that does not arrive is said so; the earlier one stays.
        row("picture 404", page(named), picture(jpegBytes, 404), noFile, earlier, File::Earlier, "/new.jpg", true);
        row("picture cut short", page(named), picture(jpegBytes, 200, Fault::CloseMidBody), noFile, earlier, File::Earlier, "/new.jpg", true);

        // Pages and pictures that are not what they should be
        row("empty page", page(""), html, noPicture, earlier, File::Earlier, "", true);
        row("20 MiB page", page(QByteArray(20 << 20, 'x') + named), jpeg, genericMessage(Failure::OutOfMemory), earlier, File::Earlier, Unchanged, false, today);
        row("marker as the very last characters", page("<html>\r\n<script>g_img={url:"), jpeg, invalidArgument, earlier, File::Earlier, Unchanged, true);
        row("5 MiB marker line", page("g_img={url:'/new.jpg'};var s='" + QByteArray(5 << 20, 'y') + "';\r\n"), jpeg, {}, fresh, File::Picture, "/new.jpg", false);
        row("path leading to another host", page("g_img={url:'@localhost:1/new.jpg'}"), jpeg, invalidArgument, earlier, File::Earlier, Unchanged, true);
        row("zero bytes", page(named), picture(""), noPicture, earlier, File::Earlier, "/new.jpg", true);
        row("HTML served as the picture", page(named), html, noPicture, earlier, File::Earlier, "/new.jpg", true);

        // The home page's statement as it was written over the years: where
        // it gives no picture, the archive does, or the load fails as before.
        const Response page2016 = page("g_img={url: \"/az/hprichbg/rb/Lake_ZH-CN1_1920x1080.jpg\",id:'bgDiv'};");
        const Response page2019 = page("g_img={url:\"\\/th?id=OHR.Lake_ZH-CN1_1920x1080.jpg\\u0026pid=hp\",d:1};");
        const Response pageToday = page("<link id=\"preloadBg\" href=\"/th?id=OHR.Lake_1920x1080.jpg\">");
        row("2016 page, archive", page2016, jpeg, {}, archived, File::Archived, Archived, true, today);
        row("2019 page, no archive", page2019, jpeg, invalidArgument, earlier, File::Earlier, Unchanged, true);
        row("today's page, archive", pageToday, html, {}, archived, File::Archived, Archived, true, today);
        row("today's page, no archive", pageToday, html, noPicture, earlier, File::Earlier, "", true);
        row("archive names the picture by url alone", pageToday, html, {}, archived, File::Archived, Archived, true, archive({}, Archived));
        // Archive answers that are not what they should be (more in tst_retrieval)
        row("archive: not JSON", pageToday, html, noPicture, earlier, File::Earlier, "", true, html);
        row("archive: another host", pageToday, html, noPicture, earlier, File::Earlier, "", true, archive("//127.0.0.1:1/th?id=OHR.Today"));
        row("archive: over 1 MiB", pageToday, html, noPicture, earlier, File::Earlier, "", true, archive("/th?id=OHR.Today" + QByteArray(1 << 20, 'x')));
        row("archive: picture 404", pageToday, html, noPicture, earlier, File::Earlier, "", true, archive("/th?id=OHR.Gone"));
        row("archive: picture is a page", pageToday, html, noPicture, earlier, File::Earlier, "", true, archive("/th?id=OHR.Page"));
    }

    void loadHoldsUp()
    {
        QFETCH(Route, route);
        QFETCH(Response, home);
        QFETCH(Response, served);
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
        const QByteArray to[] = {{}, {}, dead, window.cn.origin() + "/?mkt=zh-CN"};
        if (route == Route::PageHostGone)
            window.cn.stopListening();
        window.cn.serve("/?mkt=zh-CN", route == Route::Direct ? home : Response{302, "", "text/html", Fault::None, to[int(route)]});
        const QByteArray archivedBytes = makeJpeg(90, 50, Qt::green);
        window.main.serve("/new.jpg", served);
        window.main.serve("/", served);
        window.main.serve(ArchiveQuery, answer);
        window.main.serve(Archived, archivedBytes);
        window.main.serve("/th?id=OHR.Page_1920x1080.jpg", Response{200, "<html>a page</html>"});
        window.main.requests.clear();

        window.click("Option1(0)");
        WAIT_FOR_LOAD(window);

        QCOMPARE(window.dialogs.messages.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QCOMPARE(window.dialogs.messages[0].text, message);
        QCOMPARE(window.shown(), onScreen(shown));
        QCOMPARE(form.frameGeometry().size(), window.around(onScreen(shown)));
        const QByteArray held[] = {window.first, served.body, archivedBytes};
        QCOMPARE(readFile(window.folder.filePath("temp.jpg")), held[int(file)]);
        QCOMPARE(form.picUrl(), address == Unchanged ? earlierAddress : window.main.origin() + address);
        QCOMPARE(window.main.requests.contains(ArchiveQuery), archiveAsked);
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
        window.main.serve("/first.jpg", makeJpeg(300, 200, Qt::cyan));
        window.click("Option1(0)");
        WAIT_FOR_LOAD(window);
        QCOMPARE(readFile(reader.fileName()), makeJpeg(300, 200, Qt::cyan));
        QCOMPARE(reader.readAll(), window.first);
    }
};

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
