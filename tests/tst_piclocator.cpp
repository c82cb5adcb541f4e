#include "retrieval/piclocator.h"

#include <QTest>

// Finding the picture's path in a home page.
class TestPicLocator : public QObject
{
    Q_OBJECT

private slots:
    void findsPath_data();
    void findsPath();
    void failsWithoutEndMark_data();
    void failsWithoutEndMark();
};

void TestPicLocator::findsPath_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("path");

    QTest::newRow("worked example")
        << "var a=1;g_img={url:'/pics/lake_0412.jpg',id:'bg'};" << "/pics/lake_0412.jpg";
    QTest::newRow("cut runs over into the next path")
        << "x=1;g_img={url:'/a.png',b:'/c.jpg'}" << "/a.png',b:'/c.jpg";
    QTest::newRow("empty page") << "" << "";
    QTest::newRow("no marker anywhere") << "<html>\r\n<body>/a.jpg</body>\r\n</html>" << "";
    QTest::newRow("marker on a later line")
        << "<html>\r\n<head>\r\n<script>g_img={url:\"/p/x.jpg\"}</script>\r\n" << "/p/x.jpg";
    QTest::newRow("line feeds alone do not end a line")
        << "a\nb\ng_img={url:'/in/one/line.jpg'}\n" << "/in/one/line.jpg";
    QTest::newRow("lone carriage returns do not end a line")
        << "a\rg_img={url:'/x.jpg'}" << "/x.jpg";
    QTest::newRow("only the first marker line counts")
        << "0\r\n1\r\n2\r\ng_img={url:'/third.jpg'}\r\n4\r\ng_img={url:'/fifth.jpg'}"
        << "/third.jpg";
    QTest::newRow("first marker in a line counts")
        << "g_img={url:'/one.jpg'};g_img={url:'/two.jpg'}" << "/one.jpg";
    QTest::newRow("end mark right after the marker") << "g_img={url:.jpg'}" << "jpg";
    QTest::newRow("the character after the marker is skipped, whatever it is")
        << "g_img={url:/pics/a.jpg" << "pics/a.jpg";
    QTest::newRow("capital end mark is no end mark")
        << "g_img={url:'/A.JPG',b:'/b.jpg'}" << "/A.JPG',b:'/b.jpg";
    QTest::newRow("marker at the very end of a line before the end mark")
        << "x\r\ng_img={url:'/z.jpg\r\n" << "/z.jpg";
    QTest::newRow("wide characters are kept")
        << QString::fromUtf8("g_img={url:'/图片/湖.jpg'}") << QString::fromUtf8("/图片/湖.jpg");
}

void TestPicLocator::findsPath()
{
    QFETCH(QString, page);
    QFETCH(QString, path);
    const std::optional<QString> found = retrieval::FindPicPath(page);
    QVERIFY(found.has_value());
    QCOMPARE(*found, path);
}

void TestPicLocator::failsWithoutEndMark_data()
{
    QTest::addColumn<QString>("page");

    QTest::newRow("worked example") << "g_img={url:'/pics/lake_0412.png'}";
    QTest::newRow("end mark only before the marker") << "/a.jpg g_img={url:'/b.png'}";
    QTest::newRow("end mark only on the next line") << "g_img={url:'/b\r\n.jpg'}";
    QTest::newRow("later good marker line is not tried")
        << "g_img={url:'/b.png'}\r\ng_img={url:'/c.jpg'}";
    QTest::newRow("marker in other letter case is no marker, the real one fails")
        << "G_IMG={URL:'/a.jpg'}\r\ng_img={url:'/b.JPG'}";
    QTest::newRow("marker as the very last characters") << "<html>g_img={url:";
}

void TestPicLocator::failsWithoutEndMark()
{
    QFETCH(QString, page);
    QVERIFY(!retrieval::FindPicPath(page).has_value());
}

QTEST_APPLESS_MAIN(TestPicLocator)
#include "tst_piclocator.moc"
