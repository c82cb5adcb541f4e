#include "commands/savename.h"
#include "retrieval/archive.h"
#include "retrieval/kept.h"
#include "retrieval/piclocator.h"
#include "retrieval/regiontable.h"

#include "window.h"

#include <QTest>

namespace {
const QString Fails = QStringLiteral("(fails with 5)");
}

// What is read from outside text, and the pictures kept.
class TestRetrieval : public QObject
{
    Q_OBJECT

private slots:
    void locator_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("path");
        row("worked example 1", "var a=1;g_img={url:'/pics/lake_0412.jpg',id:'bg'};",
            "/pics/lake_0412.jpg");
        row("worked example 2", "x=1;g_img={url:'/a.png',b:'/c.jpg'}", "/a.png',b:'/c.jpg");
        row("worked example 3", "g_img={url:'/pics/lake_0412.png'}", Fails);
        row("no marker", "<html>\r\n<body>/a.jpg</body>\r\n", "");
        row("lone line feeds and returns end no line", "a\ng_img={url:'/a\n/b\r.jpg'}\n",
            "/a\n/b\r.jpg");
        row("markers on lines 3 and 5",
            "0\r\n1\r\n2\r\ng_img={url:'/3.jpg'}\r\n4\r\ng_img={url:'/5.jpg'}", "/3.jpg");
        row("marker twice in a line", "g_img={url:'/one.jpg'};g_img={url:'/two.jpg'}", "/one.jpg");
        row("end mark right after the marker", "g_img={url:.jpg'}", "jpg");
        row("next character skipped, whatever it is", "g_img={url:/pics/a.jpg", "pics/a.jpg");
        row("capital end mark is none", "g_img={url:'/A.JPG',b:'/b.jpg'}", "/A.JPG',b:'/b.jpg");
        row("end mark only before the marker", "/a.jpg g_img={url:'/b.png'}", Fails);
        row("end mark only on the next line, which is not tried",
            "g_img={url:'/b\r\n.jpg'}\r\ng_img={url:'/c.jpg'}", Fails);
        row("marker in capitals is none", "G_IMG={URL:'/a.jpg'}\r\ng_img={url:'/b.JPG'}", Fails);
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
        row("encoded slash", "http://h/az/hprichbg?p=rb%2fLake_ZH-CN1.jpg", "Lake_ZH-CN1.jpg");
        row("two encoded slashes: after the first", "http://h/a%2fb%2fc.jpg", "b%2fc.jpg");
        row("ends in an encoded slash", "http://h/a%2f", "");
        row("capital F is no encoded slash", "http://h/x/a%2Fb.jpg", "a%2Fb.jpg");
        row("archive: the id, in any case",
            "https://h/th?pid=hp&id=OHR.ROAD_1920x1080.JPG&rf=L.jpg", "OHR.ROAD_1920x1080.JPG");
        row("archive: an id of no picture", "https://h/th?id=OHR.Road&pid=hp", "hp");
    }

    void proposedName()
    {
        QFETCH(QString, address);
        QFETCH(QString, name);
        QCOMPARE(commands::proposedSaveName(address), name);
    }

    void archive_data()
    {
        QTest::addColumn<QByteArray>("images"); // the images' fields, one object each
        QTest::addColumn<QStringList>("paths"); // of the addresses, after PicHost
        QTest::addColumn<QString>("credit"); // the first's
        using Paths = QStringList;
        row("as the service answers",
            QByteArray(R"("url":"/th?id=OHR.R_1920x1080.jpg&pid=hp","urlbase":"/th?id=OHR.R",)"
                       R"j("copyright":"A (© B)","title":"Info")j"),
            Paths{ "/th?id=OHR.R_1920x1080.jpg" }, QString("A (© B)"));
        row("no usable urlbase: url as it stands; a title worth showing",
            QByteArray(R"("urlbase":7,"url":"/a.jpg","copyright":"c","title":"A road")"),
            Paths{ "/a.jpg" }, QString("A road\nc"));
        row("days, up to the first unusable",
            QByteArray(R"("url":"/a.jpg"},{"url":"/b.jpg"},{"url":"@evil.example/c.jpg"},)"
                       R"({"url":"/d.jpg")"),
            Paths{ "/a.jpg", "/b.jpg" }, QString());
        row("another host", QByteArray(R"("urlbase":"/\/evil.example/a","url":"/\/evil/a.jpg")"),
            Paths(), QString());
        row("a port first", QByteArray(R"("urlbase":":1/a")"), Paths(), QString());
        row("backslash, line end", QByteArray(R"("urlbase":"/\\evil.example/a","url":"/a\r\nb")"),
            Paths(), QString());
    }

    void archive()
    {
        QFETCH(QByteArray, images);
        QFETCH(QStringList, paths);
        QFETCH(QString, credit);
        // (No raw string here may hold a double slash: moc reads it as a comment.)
        const QList<retrieval::ArchivePicture> days =
                retrieval::readArchive(R"({"images":[{)" + images + "}]}");
        QStringList found;
        for (const retrieval::ArchivePicture &day : days)
            found << day.address.mid(retrieval::PicHost().size());
        QCOMPARE(found, paths);
        QCOMPARE(days.value(0).credit, credit);
        for (const QByteArray &broken :
             { QByteArray("not JSON"), QByteArray(R"({"images":{"url":"/a.jpg"}})") })
            QVERIFY(retrieval::readArchive(broken).isEmpty());
    }

    // Each picture kept once. The limit takes only what the index lists, older
    // than 366 days, whose file is still the one kept. An index that cannot be
    // read whole gives what of it can be, and is written again with it.
    void kept()
    {
        QTemporaryDir folder;
        // Kept on the day it was the picture of.
        const auto keep = [&folder](const char *address, int daysAgo) {
            const QDate day = QDate(2026, 12, 7).addDays(-daysAgo);
            retrieval::keepPicture(folder.path(), "zh-CN", { address, {}, {}, day },
                                   QByteArray("picture ") + address, day);
        };
        const auto addresses = [&folder] {
            QStringList found;
            for (const retrieval::ArchivePicture &picture :
                 retrieval::keptPictures(folder.path(), "zh-CN"))
                found << picture.address;
            return found;
        };
        keep("/new", 2);
        keep("/old", 367);
        keep("/changed", 400);
        QFile changed(folder.filePath("2025-11-02 zh-CN changed.jpg"));
        QVERIFY(changed.open(QIODevice::Append));
        QVERIFY(changed.write("by the user") > 0);
        changed.close();
        QVERIFY(writeFile(folder.filePath("2025-01-01 zh-CN mine.jpg"), "the user's own"));
        keep("/today", 0);
        keep("/today", 0);
        QCOMPARE(QDir(folder.path()).entryList({ "*.jpg" }),
                 (QStringList{ "2025-01-01 zh-CN mine.jpg", "2025-11-02 zh-CN changed.jpg",
                               "2026-12-05 zh-CN new.jpg", "2026-12-07 zh-CN today.jpg" }));
        QCOMPARE(addresses(), (QStringList{ "/today", "/new" }));

        const QString index = folder.filePath("index.json");
        QVERIFY(writeFile(
                index,
                R"({"pictures":[{"file":"/etc/x.jpg","market":"zh-CN","day":"2026-12-01",)"
                R"("address":"/x"},7,{"file":"a.jpg","market":"zh-CN","day":"2026-12-01",)"
                R"("address":"/a"}]})"));
        QCOMPARE(addresses(), QStringList{ "/a" });
        QVERIFY(writeFile(index, "{not json"));
        QCOMPARE(addresses(), QStringList());
        keep("/b", 1);
        QCOMPARE(addresses(), QStringList{ "/b" });
    }
};

QTEST_APPLESS_MAIN(TestRetrieval)
#include "tst_retrieval.moc"
