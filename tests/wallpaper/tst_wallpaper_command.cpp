// "设置背景": the bitmap written, the failures reported, and the folder used.

#include "commands/setwallpaper.h"
#include "window.h"
#include "platform/failure.h"
#include "testserver.h"

#include <QImageReader>
#include <QtTest>

namespace {

QImage pattern(int width, int height, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int i = 0; i < width * height; ++i)
        image.setPixel(i % width, i / width, qRgb(i * 40 % 256, i * 60 % 256, i * 25 % 256));
    return image.convertToFormat(format);
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

class TestWallpaperCommand : public QObject
{
    Q_OBJECT

private slots:
    void writesBitmap_data()
    {
        QTest::addColumn<QList<QImage>>("pictures"); // one call each, into the same folder
        // Widths that need row padding in a bitmap, as well as ones that do not.
        QTest::newRow("4x3 RGB32") << QList<QImage>{pattern(4, 3)};
        QTest::newRow("5x7 RGB888") << QList<QImage>{pattern(5, 7, QImage::Format_RGB888)};
        QTest::newRow("1366x768 ARGB32") << QList<QImage>{pattern(1366, 768, QImage::Format_ARGB32)};
        QTest::newRow("next call replaces the bitmap") << QList<QImage>{pattern(8, 6), pattern(3, 9)};
        QTest::newRow("no picture, no file") << QList<QImage>{QImage()};
    }

    void writesBitmap()
    {
        QFETCH(QList<QImage>, pictures);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        FakeWallpaper wallpaper;
        // No picture is no failure, even with no folder to be had.
        QCOMPARE(commands::setAsWallpaper(QImage(), QString(), wallpaper), 0);
        const QString path = folder.filePath("temp.bmp");
        QStringList expected;
        for (const QImage &picture : pictures) {
            QCOMPARE(commands::setAsWallpaper(picture, folder.path(), wallpaper), 0);
            if (!picture.isNull())
                expected.append(path);
        }

        QCOMPARE(wallpaper.paths, expected);
        // Nothing else is left behind, half-written files included.
        QCOMPARE(entries(folder.path()), expected.isEmpty() ? QStringList() : QStringList{"temp.bmp"});
        if (!expected.isEmpty()) {
            QImageReader reader(path);
            QCOMPARE(reader.format(), QByteArray("bmp"));
            QCOMPARE(reader.read().convertToFormat(QImage::Format_RGB32),
                     pictures.constLast().convertToFormat(QImage::Format_RGB32));
        }
    }

    void failures_data()
    {
        QTest::addColumn<QString>("folderName"); // under a fresh temporary folder
        QTest::addColumn<qint32>("failure");
        QTest::newRow("no folder to be had") << QString() << platform::failure::PathNotFound;
        QTest::newRow("folder missing") << "missing" << platform::failure::PathFileAccessError;
        QTest::newRow("temp.bmp is a folder") << "held" << platform::failure::PathFileAccessError;
    }

    void failures()
    {
        QFETCH(QString, folderName);
        QFETCH(qint32, failure);
        QTemporaryDir root;
        QVERIFY(root.isValid() && QDir(root.path()).mkpath("held/temp.bmp"));
        FakeWallpaper wallpaper;

        QCOMPARE(commands::setAsWallpaper(pattern(4, 4),
                                          folderName.isEmpty() ? QString() : root.filePath(folderName),
                                          wallpaper),
                 failure);

        QVERIFY(wallpaper.paths.isEmpty());
        QVERIFY(!QFileInfo::exists(root.filePath("missing")));
        QVERIFY(QFileInfo(root.filePath("held/temp.bmp")).isDir());
        // No half-written file stays beside the one that could not be replaced.
        QCOMPARE(entries(root.filePath("held")), QStringList{"temp.bmp"});
    }

    void folder_data()
    {
        QTest::addColumn<QString>("dataHome"); // under a fresh temporary folder
        QTest::addColumn<QString>("expected");
        QTest::newRow("Tavelo's folder in the user's data") << "data" << "data/Tavelo";
        // A plain file where a folder should be cannot be written into, not even by root.
        QTest::newRow("empty when it cannot be made") << "file/data" << "";
    }

    void folder()
    {
        QFETCH(QString, dataHome);
        QFETCH(QString, expected);
        QTemporaryDir root;
        QVERIFY(root.isValid() && writeFile(root.filePath("file"), QByteArray()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(root.filePath(dataHome)));
        QCoreApplication::setApplicationName("Tavelo");

        const QString folder = platform::wallpaperFolder();

        QCOMPARE(folder, expected.isEmpty() ? QString() : root.filePath(expected));
        QVERIFY(expected.isEmpty() || QFileInfo(folder).isDir());
    }
};

QTEST_GUILESS_MAIN(TestWallpaperCommand)
#include "tst_wallpaper_command.moc"
