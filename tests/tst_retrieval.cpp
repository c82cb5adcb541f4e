#include "commands/savename.h"
#include "platform/failure.h"
#include "retrieval/archive.h"
#include "retrieval/piclocator.h"
#include "retrieval/regiontable.h"

#include <QTest>

using platform::Failure;

namespace {
const QString Fails = QStringLiteral("(fails with 5)");
}

// What is read from outside text: the picture's address in a page, the
// messages, the regions' addresses, the archive's answer, Save's name.
class TestRetrieval : public QObject
{
    Q_OBJECT

private slots:
    void locator_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("path");
        QTest::newRow("worked example 1") << "var a=1;g_img={url:'/pics/lake_0412.jpg',id:'bg'};" << "/pics/lake_0412.jpg";
        QTest::newRow("worked example 2") << "x=1;g_img={url:'/a.png',b:'/c.jpg'}" << "/a.png',b:'/c.jpg";
        QTest::newRow("worked example 3") << "g_img={url:'/pics/lake_0412.png'}" << Fails;
        QTest::newRow("no marker") << "<html>\r\n<body>/a.jpg</body>\r\n" << "";
        QTest::newRow("lone line feeds and returns end no line") << "a\ng_img={url:'/a\n/b\r.jpg'}\n" << "/a\n/b\r.jpg";
        QTest::newRow("markers on lines 3 and 5") << "0\r\n1\r\n2\r\ng_img={url:'/3.jpg'}\r\n4\r\ng_img={url:'/5.jpg'}" << "/3.jpg";
        QTest::newRow("marker twice in a line") << "g_img={url:'/one.jpg'};g_img={url:'/two.jpg'}" << "/one.jpg";
        QTest::newRow("end mark right after the marker") << "g_img={url:.jpg'}" << "jpg";
        QTest::newRow("next character skipped, whatever it is") << "g_img={url:/pics/a.jpg" << "pics/a.jpg";
        QTest::newRow("capital end mark is none") << "g_img={url:'/A.JPG',b:'/b.jpg'}" << "/A.JPG',b:'/b.jpg";
        QTest::newRow("end mark only before the marker") << "/a.jpg g_img={url:'/b.png'}" << Fails;
        QTest::newRow("end mark only on the next line, which is not tried") << "g_img={url:'/b\r\n.jpg'}\r\ng_img={url:'/c.jpg'}" << Fails;
        QTest::newRow("marker in capitals is none") << "G_IMG={URL:'/a.jpg'}\r\ng_img={url:'/b.JPG'}" << Fails;
    }

    void locator()
    {
        QFETCH(QString, page);
        QFETCH(QString, path);
        QCOMPARE(retrieval::FindPicPath(page).value_or(Fails), path);
    }

    void proposedName_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("name");
        QTest::newRow("encoded slash") << "http://h/az/hprichbg?p=rb%2fLake_ZH-CN1.jpg" << "Lake_ZH-CN1.jpg";
        QTest::newRow("two encoded slashes: after the first") << "http://h/a%2fb%2fc.jpg" << "b%2fc.jpg";
        QTest::newRow("ends in an encoded slash") << "http://h/a%2f" << "";
        QTest::newRow("capital F is no encoded slash") << "http://h/x/a%2Fb.jpg" << "a%2Fb.jpg";
        QTest::newRow("archive: the id, in any case") << "https://h/th?pid=hp&id=OHR.ROAD_1920x1080.JPG&rf=L.jpg" << "OHR.ROAD_1920x1080.JPG";
        QTest::newRow("archive: an id of no picture") << "https://h/th?id=OHR.Road&pid=hp" << "hp";
    }

    void proposedName()
    {
        QFETCH(QString, address);
        QFETCH(QString, name);
        QCOMPARE(commands::proposedSaveName(address), name);
    }

    void messages()
    {
        QCOMPARE(platform::loadMessage(Failure::CannotConnect), "发生错误，此问题常发生在不能连接bing服务器。");
        QCOMPARE(platform::loadMessage(Failure::PermissionDenied), "发生错误，此问题常发生在同时运行此程序两次，请在任务管理器中查看并关闭程序。");
        QCOMPARE(platform::loadMessage(Failure::InvalidArgument) + platform::loadMessage(Failure::TimedOut),
                 "发生错误，错误号 5。发生错误，错误号-2146697205。");
    }

    // The region table, in one place: home pages, markets, captions.
    void regions_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("home");
        QTest::addColumn<QString>("market");
        QTest::newRow("中国") << 0 << "https://cn.bing.com/?mkt=zh-CN" << "zh-CN";
        QTest::newRow("香港") << 1 << "https://hk.bing.com/" << "zh-HK";
        QTest::newRow("日本") << 2 << "https://www.bing.com/?mkt=ja-jp" << "ja-JP";
        QTest::newRow("美国") << 3 << "https://www.bing.com/?scope=web&setmkt=en-US" << "en-US";
        QTest::newRow("法国") << 4 << "https://www.bing.com/?scope=web&setmkt=fr-FR" << "fr-FR";
        QTest::newRow("加拿大") << 5 << "https://www.bing.com/?scope=web&setmkt=en-CA" << "en-CA";
        QTest::newRow("德国") << 6 << "https://www.bing.com/?scope=web&setmkt=de-DE" << "de-DE";
        QTest::newRow("英国") << 7 << "https://www.bing.com/?scope=web&setmkt=en-GB" << "en-GB";
        QTest::newRow("澳大利亚") << 8 << "https://www.bing.com/?scope=web&setmkt=en-AU" << "en-AU";
        QTest::newRow("outside the table") << 9 << "" << "";
    }

    void regions()
    {
        QFETCH(int, index);
        QFETCH(QString, home);
        QFETCH(QString, market);
        QCOMPARE(retrieval::regionAddress(index), home);
        QCOMPARE(retrieval::archiveAddress(index, 8), market.isEmpty() ? "" : "https://www.bing.com/HPImageArchive.aspx?format=js&idx=0&n=8&mbl=1&mkt=" + market);
        if (index < 9)
            QCOMPARE(QString::fromUtf16(retrieval::RegionTable[index].caption), QString::fromUtf8(QTest::currentDataTag()));
    }

    void archive_data()
    {
        QTest::addColumn<QByteArray>("images"); // the images' fields, one object each
        QTest::addColumn<QStringList>("paths");  // of the addresses, after PicHost
        QTest::addColumn<QString>("credit");     // the first's
        QTest::newRow("as the service answers") << QByteArray(R"j("url":"/th?id=OHR.R_1920x1080.jpg&pid=hp","urlbase":"/th?id=OHR.R","copyright":"A (© B)","title":"Info")j")
                                                << QStringList{"/th?id=OHR.R_1920x1080.jpg"} << "A (© B)";
        QTest::newRow("no usable urlbase: url as it stands; a title worth showing")
            << QByteArray(R"("urlbase":7,"url":"/a.jpg","copyright":"c","title":"A road")") << QStringList{"/a.jpg"} << "A road\nc";
        QTest::newRow("days, up to the first unusable") << QByteArray(R"("url":"/a.jpg"},{"url":"/b.jpg"},{"url":"@evil.example/c.jpg"},{"url":"/d.jpg")")
                                                        << QStringList{"/a.jpg", "/b.jpg"} << "";
        QTest::newRow("another host") << QByteArray("\"urlbase\":\"//evil.example/a\",\"url\":\"//evil.example/a.jpg\"") << QStringList() << "";
        QTest::newRow("a port first") << QByteArray(R"("urlbase":":1/a")") << QStringList() << "";
        QTest::newRow("backslash, line end") << QByteArray(R"("urlbase":"/\\evil.example/a","url":"/a\r\nb")") << QStringList() << "";
    }

    void archive()
    {
        QFETCH(QByteArray, images);
        QFETCH(QStringList, paths);
        QFETCH(QString, credit);
        // (No raw string here may hold a double slash: moc reads it as a comment.)
        const QList<retrieval::ArchivePicture> days = retrieval::readArchive(R"({"images":[{)" + images + "}]}");
        QStringList found;
        for (const retrieval::ArchivePicture &day : days)
            found << day.address.mid(retrieval::PicHost().size());
        QCOMPARE(found, paths);
        QCOMPARE(days.value(0).credit, credit);
        for (const QByteArray &broken : {QByteArray("not JSON"), QByteArray(R"({"images":{"url":"/a.jpg"}})")})
            QVERIFY(retrieval::readArchive(broken).isEmpty());
    }
};

QTEST_APPLESS_MAIN(TestRetrieval)
#include "tst_retrieval.moc"
