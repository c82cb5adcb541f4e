// "设置背景": the bitmap written, the failures reported, and the folder used.

#include "commands/setwallpaper.h"
#include "window.h"
#include "platform/failure.h"

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
        QTest::addColumn<bool>("taken");             // the desktop's answer to each call
        QTest::addColumn<int>("kept");               // how many of the last bitmaps stay
        // Widths that need row padding in a bitmap, as well as ones that do not.
        QTest::newRow("4x3 RGB32") << QList<QImage>{pattern(4, 3)} << true << 1;
        QTest::newRow("5x7 RGB888") << QList<QImage>{pattern(5, 7, QImage::Format_RGB888)} << true << 1;
        QTest::newRow("1366x768 ARGB32") << QList<QImage>{pattern(1366, 768, QImage::Format_ARGB32)} << true << 1;
        QTest::newRow("taken: the one before goes") << QList<QImage>{pattern(8, 6), pattern(3, 9)} << true << 1;
        QTest::newRow("not taken: the one before stays") << QList<QImage>{pattern(8, 6), pattern(3, 9)} << false << 2;
        QTest::newRow("never more than two")
            << QList<QImage>{pattern(3, 9), pattern(8, 6), pattern(9, 3)} << false << 2;
        QTest::newRow("same picture, same name") << QList<QImage>{pattern(8, 6), pattern(8, 6)} << true << 1;
        QTest::newRow("no picture, no file") << QList<QImage>{QImage()} << true << 0;
    }

    void writesBitmap()
    {
        QFETCH(QList<QImage>, pictures);
        QFETCH(bool, taken);
        QFETCH(int, kept);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        FakeWallpaper wallpaper;
        wallpaper.takes = taken;
        // No picture is no failure, even with no folder to be had.
        QCOMPARE(commands::setAsWallpaper(QImage(), QString(), wallpaper), 0);
        for (const QImage &picture : pictures)
            QCOMPARE(commands::setAsWallpaper(picture, folder.path(), wallpaper), 0);

        // A file in the folder for every picture, named after its content.
        QStringList names;
        for (const QString &path : std::as_const(wallpaper.paths)) {
            names.append(QFileInfo(path).fileName());
            QCOMPARE(path, folder.filePath(names.constLast()));
            QVERIFY2(QRegularExpression("^temp-[0-9a-f]{16}\\.bmp$").match(names.constLast()).hasMatch(),
                     qPrintable(path));
            // The same name again exactly for the same picture again.
            QCOMPARE(names.count(names.constLast()),
                     pictures.mid(0, names.size()).count(pictures.at(names.size() - 1)));
        }
        QCOMPARE(names.size(), pictures.size() - pictures.count(QImage()));
        // Nothing else is left behind, half-written files included.
        names = names.mid(names.size() - kept);
        names.removeDuplicates();
        names.sort();
        QCOMPARE(entries(folder.path()), names);
        if (!names.isEmpty()) {
            QImageReader reader(wallpaper.paths.constLast());
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
        QTest::newRow("the bitmap's name is a folder") << "held" << platform::failure::PathFileAccessError;
    }

    void failures()
    {
        QFETCH(QString, folderName);
        QFETCH(qint32, failure);
        QTemporaryDir root;
        FakeWallpaper wallpaper;
        // The bitmap's name, learnt in another folder, is a folder in "held".
        QVERIFY(root.isValid() && QDir(root.path()).mkdir("learn"));
        QCOMPARE(commands::setAsWallpaper(pattern(4, 4), root.filePath("learn"), wallpaper), 0);
        const QString name = QFileInfo(wallpaper.paths.takeFirst()).fileName();
        QVERIFY(QDir(root.path()).mkpath("held/" + name));

        QCOMPARE(commands::setAsWallpaper(pattern(4, 4),
                                          folderName.isEmpty() ? QString() : root.filePath(folderName),
                                          wallpaper),
                 failure);

        QVERIFY(wallpaper.paths.isEmpty());
        QVERIFY(!QFileInfo::exists(root.filePath("missing")));
        QVERIFY(QFileInfo(root.filePath("held/" + name)).isDir());
        // No half-written file stays beside the one that could not be replaced.
        QCOMPARE(entries(root.filePath("held")), QStringList{name});
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
