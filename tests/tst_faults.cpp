#include "window.h"

#include "platform/http.h"

using Response = TestServer::Response;
using Fault = TestServer::Fault;
using platform::Failure;

namespace {

// What the picture file holds after the load.
enum class File { Earlier, Picture, Archived };

const QByteArray Archived = "/th?id=OHR.Today_1920x1080.jpg", Unchanged = "(unchanged)";
const QByteArray ArchiveQuery = "/HPImageArchive.aspx?format=js&idx=0&n=8&mbl=1&mkt=zh-CN";

// The image archive's answer, naming its picture by urlbase; a home page.
Response archive(const QByteArray &urlbase)
{
    return { 200,
             "{\"images\":[{\"urlbase\":\"" + urlbase
                     + "\",\"copyright\":\"A place (\\u00a9 Someone)\",\"title\":\"Info\"}]}" };
}
Response page(const QByteArray &body, int status = 200, Fault fault = Fault::None)
{
    return { status, body, "text/html", fault };
}

} // namespace

// Failing servers, hostile pages and answers: the right message, nothing lost.
class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { platform::HttpGet::setTimeLimit(std::chrono::milliseconds(400)); }

    void loadHoldsUp_data()
    {
        QTest::addColumn<Response>("home"); // the China home page; status 0: no server
        QTest::addColumn<Response>("served"); // at /new.jpg, and at / for a page that names none
        QTest::addColumn<Response>("answer"); // the archive's
        QTest::addColumn<Failure>("failure"); // said in its message, or None for no message
        QTest::addColumn<File>("file");
        QTest::addColumn<QByteArray>("address"); // PicUrl after the origin
        QTest::addColumn<bool>("archiveAsked");

        const QByteArray named = homePage("/new.jpg"), jpeg = makeJpeg(80, 60, Qt::blue);
        const Response picture{ 200, jpeg, "image/jpeg" }, html = page("<html>a page</html>"),
                                                           today = archive("/th?id=OHR.Today");
        const Response page2019 =
                page("g_img={url:\"\\/th?id=OHR.Lake_ZH-CN1_1920x1080.jpg\\u0026pid=hp\",d:1};");
        const Response pageToday =
                page("<link id=\"preloadBg\" href=\"/th?id=OHR.Lake_1920x1080.jpg\">");
        auto row = [](const char *name, const Response &home, const Response &served,
                      Failure failure, File file, const QByteArray &address, bool asked,
                      const Response &answer = { 404, "" }) {
            QTest::newRow(name) << home << served << answer << failure << file << address << asked;
        };
        // Servers that fail: where the page cannot be had, nothing else is asked.
        row("connection refused", { 0, "" }, picture, Failure::CannotConnect, File::Earlier,
            Unchanged, false, today);
        row("accepts and never answers", page(named, 200, Fault::NeverAnswer), picture,
            Failure::TimedOut, File::Earlier, Unchanged, false, today);
        row("closes mid-body", page(named, 200, Fault::CloseMidBody), picture,
            Failure::DownloadFailure, File::Earlier, Unchanged, false, today);
        row("trickles past the time limit, never stalling",
            page("g_img={url:'/new.jpg'}", 200, Fault::Trickle), picture, Failure::None,
            File::Picture, "/new.jpg", false);
        row("page 404 is read as a page", page(named, 404), picture, Failure::None, File::Picture,
            "/new.jpg", false);
        // A picture that does not arrive is said so; the earlier one stays.
        row("picture 404", page(named), { 404, jpeg, "image/jpeg" }, Failure::FileNotFound,
            File::Earlier, "/new.jpg", true);
        row("picture of zero bytes", page(named), { 200, "", "image/jpeg" },
            Failure::InvalidPicture, File::Earlier, "/new.jpg", true);
        // Pages that are not what they should be
        row("empty page", page(""), html, Failure::InvalidPicture, File::Earlier, "", true);
        row("20 MiB page", page(QByteArray(20 << 20, 'x') + named), picture, Failure::OutOfMemory,
            File::Earlier, Unchanged, false, today);
        row("path leading to another host", page("g_img={url:'@localhost:1/new.jpg'}"), picture,
            Failure::InvalidArgument, File::Earlier, Unchanged, true);
        // Pages of today and of 2019, which name no usable picture: the archive's, or the page's
        // failure.
        row("2019 page, archive", page2019, picture, Failure::None, File::Archived, Archived, true,
            today);
        row("2019 page, no archive", page2019, picture, Failure::InvalidArgument, File::Earlier,
            Unchanged, true);
        row("today's page, no archive", pageToday, html, Failure::InvalidPicture, File::Earlier, "",
            true);
        row("archive over 1 MiB", pageToday, html, Failure::InvalidPicture, File::Earlier, "", true,
            archive("/th?id=OHR.Today" + QByteArray(1 << 20, 'x')));
        row("archive's picture 404", pageToday, html, Failure::InvalidPicture, File::Earlier, "",
            true, archive("/th?id=OHR.Gone"));
    }

    void loadHoldsUp()
    {
        QFETCH(Response, home);
        QFETCH(Response, served);
        QFETCH(Response, answer);
        QFETCH(Failure, failure);
        QFETCH(File, file);
        QFETCH(QByteArray, address);
        QFETCH(bool, archiveAsked);

        Window window; // an earlier picture on screen and on disk
        Form1 &form = window.start();
        WAIT_FOR_LOAD(window);
        const QString earlierAddress = form.picUrl();
        if (home.status == 0)
            window.cn.stopListening(); // no server at all
        window.cn.serve("/?mkt=zh-CN", home);
        const QByteArray archived = makeJpeg(90, 50, Qt::green);
        window.main.serve("/new.jpg", served);
        window.main.serve("/", served);
        window.main.serve(ArchiveQuery, answer);
        window.main.serve(Archived, archived);
        window.main.requests.clear();

        window.click("Option1(0)");
        WAIT_FOR_LOAD(window);
        QCOMPARE(window.dialogs.texts(),
                 failure == Failure::None ? QStringList()
                                          : QStringList{ platform::loadMessage(failure) });
        const QSize shown[] = { { 64, 48 }, { 80, 60 }, { 90, 50 } };
        QCOMPARE(window.shown(), onScreen(shown[int(file)]));
        QCOMPARE(form.frameGeometry().size(), window.around(window.shown()));
        const QByteArray held[] = { window.first, served.body, archived };
        QCOMPARE(readWhole(window.folder.filePath("temp.jpg")), held[int(file)]);
        QCOMPARE(form.picUrl(),
                 address == Unchanged ? earlierAddress : window.main.origin() + address);
        QCOMPARE(window.main.requests.contains(ArchiveQuery), archiveAsked);
        QCOMPARE(window.child("Image1")->toolTip(),
                 file == File::Archived ? "A place (© Someone)" : "");
        QCOMPARE(QDir(window.folder.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{ "temp.jpg" }); // nothing half-written
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
        QCOMPARE(readWhole(reader.fileName()), makeJpeg(300, 200, Qt::cyan));
        QCOMPARE(reader.readAll(), window.first);
    }
};

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
