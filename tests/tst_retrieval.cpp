#include "platform/failure.h"
#include "retrieval/archive.h"
#include "retrieval/piclocator.h"
#include "retrieval/regiontable.h"

#include <QTest>

namespace {
const QString Fails = QStringLiteral("(fails with 5)");
}

// The parts of a load that are plain functions of text.
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
        QTest::newRow("empty page") << "" << "";
        QTest::newRow("no marker") << "<html>\r\n<body>/a.jpg</body>\r\n" << "";
        QTest::newRow("marker on a later line") << "<html>\r\n<b>\r\ng_img={url:\"/p/x.jpg\"}\r\n" << "/p/x.jpg";
        QTest::newRow("lone line feeds do not end a line") << "a\ng_img={url:'/a\n/b.jpg'}\n" << "/a\n/b.jpg";
        QTest::newRow("lone carriage returns do not end a line") << "g_img={url:'/a\r/b.jpg'}" << "/a\r/b.jpg";
        QTest::newRow("markers on lines 3 and 5") << "0\r\n1\r\n2\r\ng_img={url:'/3.jpg'}\r\n4\r\ng_img={url:'/5.jpg'}" << "/3.jpg";
        QTest::newRow("marker twice in a line") << "g_img={url:'/one.jpg'};g_img={url:'/two.jpg'}" << "/one.jpg";
        QTest::newRow("end mark right after the marker") << "g_img={url:.jpg'}" << "jpg";
        QTest::newRow("next character skipped, whatever it is") << "g_img={url:/pics/a.jpg" << "pics/a.jpg";
        QTest::newRow("capital end mark is none") << "g_img={url:'/A.JPG',b:'/b.jpg'}" << "/A.JPG',b:'/b.jpg";
        QTest::newRow("wide characters kept") << "g_img={url:'/图片/湖.jpg'}" << "/图片/湖.jpg";
        QTest::newRow("end mark only before the marker") << "/a.jpg g_img={url:'/b.png'}" << Fails;
        QTest::newRow("end mark only on the next line") << "g_img={url:'/b\r\n.jpg'}" << Fails;
        QTest::newRow("a later good marker line is not tried") << "g_img={url:'/b.png'}\r\ng_img={url:'/c.jpg'}" << Fails;
        QTest::newRow("marker in capitals is none") << "G_IMG={URL:'/a.jpg'}\r\ng_img={url:'/b.JPG'}" << Fails;
        QTest::newRow("marker as the last characters") << "<html>g_img={url:" << Fails;
    }

    void locator()
    {
        QFETCH(QString, page);
        QFETCH(QString, path);
        QCOMPARE(retrieval::FindPicPath(page).value_or(Fails), path);
    }

    void messages_data()
    {
        QTest::addColumn<qint32>("number");
        QTest::addColumn<QString>("message");
        QTest::newRow("cannot connect") << qint32(0x800C0005u) << "发生错误，此问题常发生在不能连接bing服务器。";
        QTest::newRow("permission denied") << 70 << "发生错误，此问题常发生在同时运行此程序两次，请在任务管理器中查看并关闭程序。";
        QTest::newRow("invalid argument") << 5 << "发生错误，错误号 5。";
        QTest::newRow("negative: the sign alone") << qint32(0x800C000Bu) << "发生错误，错误号-2146697205。";
    }

    void messages()
    {
        QFETCH(qint32, number);
        QFETCH(QString, message);
        QCOMPARE(platform::failure::loadMessage(number), message);
    }

    void hostSettings_data()
    {
        QTest::addColumn<QByteArray>("setting");
        QTest::addColumn<QString>("picHost");
        QTest::newRow("none: the service, over https") << QByteArray() << "https://www.bing.com";
        QTest::newRow("host and port: plain http") << QByteArray("127.0.0.1:8001") << "http://127.0.0.1:8001";
        QTest::newRow("written with https") << QByteArray("https://mirror.example") << "https://mirror.example";
        QTest::newRow("with a path") << QByteArray("evil.example/x") << "https://www.bing.com";
        QTest::newRow("with user info") << QByteArray("user@evil.example") << "https://www.bing.com";
        QTest::newRow("bad port") << QByteArray("evil.example:port") << "https://www.bing.com";
    }

    void hostSettings()
    {
        QFETCH(QByteArray, setting);
        QFETCH(QString, picHost);
        qputenv("TAVELO_MAIN_HOST", setting);
        QCOMPARE(retrieval::PicHost(), picHost);
        QCOMPARE(retrieval::regionAddress(5), picHost + "/?scope=web&setmkt=en-CA");
        QVERIFY(retrieval::isOnPicHost(picHost + "/a.jpg"));
        QVERIFY(!retrieval::isOnPicHost(QString(picHost).replace("https:", "http:").replace("http:", "ftp:") + "/a.jpg"));
        qunsetenv("TAVELO_MAIN_HOST");
    }

    void defaultAddresses_data()
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

    void defaultAddresses()
    {
        QFETCH(int, index);
        QFETCH(QString, home);
        QFETCH(QString, market);
        QCOMPARE(retrieval::regionAddress(index), home);
        QCOMPARE(retrieval::archiveAddress(index),
                 market.isEmpty() ? "" : "https://www.bing.com/HPImageArchive.aspx?format=js&idx=0&n=1&mbl=1&mkt=" + market);
    }

    void archive_data()
    {
        QTest::addColumn<QByteArray>("image"); // the first image's fields
        QTest::addColumn<QString>("path");     // of the address, after PicHost; empty for none
        QTest::addColumn<QString>("credit");
        const QByteArray real = R"("url":"/th?id=OHR.Road_ROW97_1920x1080.jpg&rf=LaDigue_1920x1080.jpg&pid=hp",)"
                                R"j("urlbase":"/th?id=OHR.Road_ROW97","copyright":"A road (© Someone)","title":"Info")j";
        QTest::newRow("as the service answers") << real << "/th?id=OHR.Road_ROW97_1920x1080.jpg" << "A road (© Someone)";
        QTest::newRow("title worth showing") << QByteArray(R"("url":"/a.jpg","copyright":"c","title":"A road")") << "/a.jpg" << "A road\nc";
        QTest::newRow("no urlbase: url as it stands") << QByteArray(R"("url":"/a.jpg")") << "/a.jpg" << "";
        QTest::newRow("urlbase of another type") << QByteArray(R"("urlbase":7,"url":"/a.jpg")") << "/a.jpg" << "";
        QTest::newRow("url of another type") << QByteArray(R"("url":["/a.jpg"])") << "" << "";
        QTest::newRow("another host") << QByteArray("\"urlbase\":\"//evil.example/a\",\"url\":\"//evil.example/a.jpg\"") << "" << "";
        QTest::newRow("no slash first") << QByteArray(R"("urlbase":"@evil.example/a","url":".evil.example/a.jpg")") << "" << "";
        QTest::newRow("a port first") << QByteArray(R"("urlbase":":1/a")") << "" << "";
        QTest::newRow("backslash") << QByteArray(R"("urlbase":"/\\evil.example/a")") << "" << "";
        QTest::newRow("line end") << QByteArray(R"("urlbase":"/a\r\nb")") << "" << "";
        QTest::newRow("absolute") << QByteArray("\"url\":\"https://www.bing.com/a.jpg\"") << "" << "";
    }

    void archive()
    {
        QFETCH(QByteArray, image);
        QFETCH(QString, path);
        QFETCH(QString, credit);
        // (No raw string here may hold a double slash: moc reads it as a comment.)
        const auto picture = retrieval::readArchive(R"({"images":[{)" + image + "}]}");
        QCOMPARE(picture.has_value(), !path.isEmpty());
        if (picture) {
            QCOMPARE(picture->address, retrieval::PicHost() + path);
            QCOMPARE(picture->credit, credit);
        }
        for (const QByteArray &broken : {QByteArray("not JSON"), QByteArray("[]"), QByteArray(R"({"images":[]})"),
                                         QByteArray(R"({"images":{"url":"/a.jpg"}})"), QByteArray(R"({"images":["/a.jpg"]})")})
            QVERIFY(!retrieval::readArchive(broken));
    }
};

QTEST_APPLESS_MAIN(TestRetrieval)
#include "tst_retrieval.moc"
