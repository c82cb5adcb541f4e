// LXQt: pcmanfm-qt gets the path as one argument, with no shell in between.
// A stand-in pcmanfm-qt, first in PATH, records the arguments it was given.

#include "platform/wallpaper.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestLxqtWallpaper : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void pathIsOneArgument_data();
    void pathIsOneArgument();

private:
    QTemporaryDir m_bin;
    QString m_record;
};

void TestLxqtWallpaper::initTestCase()
{
    QVERIFY(m_bin.isValid());
    m_record = m_bin.filePath(QStringLiteral("arguments"));
    // Writes each argument followed by a NUL, then renames, so the test never
    // reads a half-written record.
    QFile script(m_bin.filePath(QStringLiteral("pcmanfm-qt")));
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\n"
                 "for a in \"$@\"; do printf '%s\\0' \"$a\"; done > \"$0.part\"\n"
                 "mv \"$0.part\" \"$(dirname \"$0\")/arguments\"\n");
    script.close();
    QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    qputenv("PATH", QFile::encodeName(m_bin.path()) + ':' + qgetenv("PATH"));
}

void TestLxqtWallpaper::pathIsOneArgument_data()
{
    QTest::addColumn<QString>("currentDesktop");
    QTest::addColumn<QString>("folderName");
    QTest::newRow("plain") << "LXQt" << "pictures";
    QTest::newRow("space and quotes") << "LXQt" << "my \"day's\" picture";
    QTest::newRow("shell syntax") << "lxqt" << "a;touch injected;$(touch injected) `touch injected` &";
    QTest::newRow("non-ASCII") << "LXQt" << "每日图片 Ærø";
}

void TestLxqtWallpaper::pathIsOneArgument()
{
    QFETCH(QString, currentDesktop);
    QFETCH(QString, folderName);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(folderName));
    const QString path = dir.filePath(folderName) + QStringLiteral("/temp.bmp");
    QFile::remove(m_record);
    qputenv("XDG_CURRENT_DESKTOP", currentDesktop.toUtf8());
    QVERIFY(QDir::setCurrent(dir.path()));

    platform::desktopWallpaper()->setWallpaper(path);

    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_record), 10000);
    QFile record(m_record);
    QVERIFY(record.open(QIODevice::ReadOnly));
    QByteArrayList arguments = record.readAll().split('\0');
    QCOMPARE(arguments.takeLast(), QByteArray()); // after the last NUL
    QCOMPARE(arguments, QByteArrayList{"--set-wallpaper=" + QFile::encodeName(path)});
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("injected"))));
}

QTEST_GUILESS_MAIN(TestLxqtWallpaper)
#include "tst_wallpaper_lxqt.moc"
