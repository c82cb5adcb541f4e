#include "platform/failure.h"
#include "retrieval/loadmessage.h"
#include "retrieval/regiontable.h"

#include <QTest>

// The fixed texts: failure messages, number text and the regional addresses.
class TestTexts : public QObject
{
    Q_OBJECT

private slots:
    void loadFailureMessage_data();
    void loadFailureMessage();
    void regionAddresses_data();
    void regionAddresses();
    void hostsFollowTheEnvironment();
    void malformedHostSettingIsIgnored_data();
    void malformedHostSettingIsIgnored();
};

void TestTexts::loadFailureMessage_data()
{
    QTest::addColumn<qint32>("number");
    QTest::addColumn<QString>("message");

    QTest::newRow("cannot connect") << qint32(0x800C0005u)
                                    << "发生错误，此问题常发生在不能连接bing服务器。";
    QTest::newRow("permission denied")
        << 70 << "发生错误，此问题常发生在同时运行此程序两次，请在任务管理器中查看并关闭程序。";
    QTest::newRow("invalid argument") << 5 << "发生错误，错误号 5。";
    QTest::newRow("file not found") << 53 << "发生错误，错误号 53。";
    QTest::newRow("invalid picture") << 481 << "发生错误，错误号 481。";
    QTest::newRow("zero gets its space") << 0 << "发生错误，错误号 0。";
    QTest::newRow("time-out, negative") << qint32(0x800C000Bu) << "发生错误，错误号-2146697205。";
    QTest::newRow("most negative") << std::numeric_limits<qint32>::min()
                                   << "发生错误，错误号-2147483648。";
}

void TestTexts::loadFailureMessage()
{
    QFETCH(qint32, number);
    QFETCH(QString, message);
    QCOMPARE(retrieval::loadFailureMessage(number), message);
}

void TestTexts::regionAddresses_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("address");

    QTest::newRow("0 China") << 0 << "http://cn.bing.com/?mkt=zh-CN";
    QTest::newRow("1 Hong Kong") << 1 << "http://hk.bing.com/";
    QTest::newRow("2 Japan") << 2 << "http://www.bing.com/?mkt=ja-jp";
    QTest::newRow("3 United States") << 3 << "http://www.bing.com/?scope=web&setmkt=en-US";
    QTest::newRow("4 France") << 4 << "http://www.bing.com/?scope=web&setmkt=fr-FR";
    QTest::newRow("5 Canada") << 5 << "http://www.bing.com/?scope=web&setmkt=en-CA";
    QTest::newRow("6 Germany") << 6 << "http://www.bing.com/?scope=web&setmkt=de-DE";
    QTest::newRow("7 United Kingdom") << 7 << "http://www.bing.com/?scope=web&setmkt=en-GB";
    QTest::newRow("8 Australia") << 8 << "http://www.bing.com/?scope=web&setmkt=en-AU";
    QTest::newRow("below the table") << -1 << "";
    QTest::newRow("past the table") << 9 << "";
}

void TestTexts::regionAddresses()
{
    QFETCH(int, index);
    QFETCH(QString, address);
    QCOMPARE(retrieval::regionAddress(index), address);
    QCOMPARE(retrieval::PicHost(), QStringLiteral("http://www.bing.com"));
}

void TestTexts::hostsFollowTheEnvironment()
{
    qputenv("TAVELO_CN_HOST", "127.0.0.1:8001");
    qputenv("TAVELO_HK_HOST", "localhost");
    qputenv("TAVELO_MAIN_HOST", "mirror.example:8080");
    QCOMPARE(retrieval::regionAddress(0), QStringLiteral("http://127.0.0.1:8001/?mkt=zh-CN"));
    QCOMPARE(retrieval::regionAddress(1), QStringLiteral("http://localhost/"));
    QCOMPARE(retrieval::regionAddress(5),
             QStringLiteral("http://mirror.example:8080/?scope=web&setmkt=en-CA"));
    QCOMPARE(retrieval::PicHost(), QStringLiteral("http://mirror.example:8080"));
    qunsetenv("TAVELO_CN_HOST");
    qunsetenv("TAVELO_HK_HOST");
    qunsetenv("TAVELO_MAIN_HOST");
}

void TestTexts::malformedHostSettingIsIgnored_data()
{
    QTest::addColumn<QByteArray>("setting");
    QTest::newRow("with a path") << QByteArray("evil.example/x");
    QTest::newRow("with user info") << QByteArray("user@evil.example");
    QTest::newRow("with a query") << QByteArray("evil.example?q=1");
    QTest::newRow("bad port") << QByteArray("evil.example:port");
}

void TestTexts::malformedHostSettingIsIgnored()
{
    QFETCH(QByteArray, setting);
    qputenv("TAVELO_MAIN_HOST", setting);
    QCOMPARE(retrieval::PicHost(), QStringLiteral("http://www.bing.com"));
    qunsetenv("TAVELO_MAIN_HOST");
}

QTEST_APPLESS_MAIN(TestTexts)
#include "tst_texts.moc"
