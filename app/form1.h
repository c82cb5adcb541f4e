#pragma once

#include "platform/services.h"

#include <QNetworkAccessManager>
#include <QString>
#include <QWidget>

#include <memory>

class QButtonGroup;
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

// The settings the Save As dialog keeps between saves.
struct SaveDialogSettings
{
    QString filterText = QStringLiteral("JPG文件");
    QString pattern = QStringLiteral("*.jpg");
    QString initialFolder;
};

// Tavelo's one window: nine region options, three commands, the picture.
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
    void closeEvent(QCloseEvent *event) override;

private:
    void Option1_Click(int index);
    void Timer1_Timer();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void reportError(qint32 number);
    void WebPicLoad();
    void showPicture(const QImage &picture, const QString &credit);
    void sizeLock();

    platform::Services m_services;
    QNetworkAccessManager m_network;
    const QString m_pictureFile;

    QButtonGroup *Option1;
    QPushButton *Command1;
    QPushButton *Command2;
    QPushButton *Command3;
    platform::BrowserControl *WebBrowser1;
    QLineEdit *Text2;
    QLabel *Image1;
    QTimer *Timer1;
    SaveDialogSettings CommonDialog1;

    QString PicUrl;
    std::unique_ptr<retrieval::PictureLoad> m_load;
};
