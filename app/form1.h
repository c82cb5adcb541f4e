#pragma once

#include "layout.h"

#include "platform/failure.h"
#include "platform/services.h"

#include <QImage>
#include <QNetworkAccessManager>
#include <QString>
#include <QWidget>

#include <optional>

class DailyBox;
class PictureView;
class QAction;
class QButtonGroup;
class QLineEdit;
class QPushButton;
class QTimer;

namespace platform {
class BrowserControl;
}
namespace retrieval {
class PictureDays;
}

// The settings the Save As dialog keeps between saves.
struct SaveDialogSettings
{
    QString filterText = QStringLiteral("JPG文件");
    QString pattern = QStringLiteral("*.jpg");
    QString initialFolder;
};

// Tavelo's one window: nine region options, the commands, and the picture,
// with the days before it and the daily change of the wallpaper.
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
    const SaveDialogSettings &saveDialog() const { return CommonDialog1; }

protected:
    bool event(QEvent *event) override;
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
    void WebPicLoad();
    void startWatching();
    void reportError(platform::Failure failure);
    void loadEnded(const QImage &picture, const QString &credit, platform::Failure failure);
    void showPicture(const QImage &picture, const QString &credit);
    void sizeLock();
    void setCaption(const QString &caption);

    platform::Services m_services;
    QNetworkAccessManager m_network;
    const QString m_pictureFile;
    const Twips m_twips;

    QButtonGroup *Option1;
    QPushButton *Command1; // "保存图片": save the picture
    QPushButton *Command2; // "设置背景": make it the wallpaper
    QPushButton *Command3; // "关  于": about
    // "前一天" and "后一天": the day before and the day after (Alt+Left,
    // Alt+Right), arrows over the picture's left and right edges and items of
    // the window's context menu.
    QAction *Command4;
    QAction *Command5;
    // "每天自动更换桌面背景": the daily change of the wallpaper, a checkable
    // item of the context menu; none on Windows.
    DailyBox *Check1 = nullptr;
    platform::BrowserControl *WebBrowser1;
    QLineEdit *Text2;
    PictureView *Image1;
    QTimer *Timer1;
    SaveDialogSettings CommonDialog1;

    QString PicUrl;
    retrieval::PictureDays *m_days;
    // The whole picture on display, which the wallpaper is made of.
    QImage m_picture;
    // What a load that ended while the window was minimized left to show.
    struct Pending
    {
        QImage picture;
        QString credit;
        platform::Failure failure = platform::Failure::None;
    };
    std::optional<Pending> m_pending;
};
