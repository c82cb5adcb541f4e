#pragma once

#include "layout.h"

#include "platform/failure.h"
#include "platform/services.h"
#include "retrieval/archive.h"

#include <QImage>
#include <QNetworkAccessManager>
#include <QString>
#include <QWidget>

#include <memory>
#include <optional>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace platform {
class BrowserControl;
}
namespace retrieval {
class PictureLoad;
}
namespace commands {
class DailyChange;
}

// The settings the Save As dialog keeps between saves.
struct SaveDialogSettings
{
    QString filterText = QStringLiteral("JPG文件");
    QString pattern = QStringLiteral("*.jpg");
    QString initialFolder;
};

// Tavelo's one window: nine region options, the commands, the days of the
// archive, the daily change of the wallpaper, and the picture.
class Form1 : public QWidget
{
    Q_OBJECT

public:
    explicit Form1(platform::Services services, QWidget *parent = nullptr);
    ~Form1() override;

    // Start-up: show the window and load the default region's picture.
    void Form_Load();

    // The absolute address of the picture on display; empty before the
    // first load has found one.
    QString picUrl() const { return PicUrl; }
    // Where the downloaded picture is kept.
    QString pictureFile() const { return m_pictureFile; }
    const SaveDialogSettings &saveDialog() const { return CommonDialog1; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void Option1_Click(int index);
    void Timer1_Timer();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Check1_Click(bool on);
    void reportError(platform::Failure failure);
    void WebPicLoad();
    void showDay(int day);
    void startLoad(int day);
    void dayReady(const QImage &picture, const QByteArray &bytes);
    void updateDays();
    void loadEnded(const QImage &picture, const QString &credit, platform::Failure failure);
    void showPicture(const QImage &picture, const QString &credit);
    void display(QImage shown, qreal ratio, const QString &credit);
    QString market() const;
    QSize frameExtent() const;
    void setCaption(const QString &caption);
    void sizeLock();

    platform::Services m_services;
    QNetworkAccessManager m_network;
    const QString m_pictureFile;
    const Twips m_twips;

    QButtonGroup *Option1;
    QPushButton *Command1;
    QPushButton *Command2;
    QPushButton *Command3;
    QPushButton *Command4;
    QPushButton *Command5;
    QCheckBox *Check1 = nullptr;
    commands::DailyChange *m_daily = nullptr;
    platform::BrowserControl *WebBrowser1;
    QLineEdit *Text2;
    QLabel *Image1;
    QTimer *Timer1;
    SaveDialogSettings CommonDialog1;

    QString PicUrl;
    std::unique_ptr<retrieval::PictureLoad> m_load;
    // The day the running load brings: -1 for a region's newest picture.
    int m_loadingDay = -1;
    // What the archive answered to the running region load, if it was asked.
    std::optional<QList<retrieval::ArchivePicture>> m_foundDays;
    // The days of the region on display, today's first as it is shown; the
    // archive's older ones once it has been asked. The bytes of each day
    // fetched so far, and the day on display.
    QList<retrieval::ArchivePicture> m_days;
    bool m_archiveAsked = false;
    QList<QByteArray> m_dayBytes;
    int m_day = 0;
    // The whole picture on display, which the wallpaper is made of, and a
    // count of the pictures given to show, so that a slow scaling never
    // replaces a newer picture.
    QImage m_picture;
    int m_pictureCount = 0;
    // What a load that ended while the window was minimized left to show.
    struct Pending
    {
        QImage picture;
        QString credit;
        platform::Failure failure = platform::Failure::None;
    };
    std::optional<Pending> m_pending;
};
