#pragma once

#include "platform/services.h"

#include <QAction>

class QNetworkAccessManager;

namespace commands {
class DailyChange;
}

// "每天自动更换桌面背景", the window's box Check1: the daily change of the
// wallpaper, a checkable item of the window's context menu. Ticked, it turns
// the change on for the region on display and sets its newest picture at
// once; unticked, off. It waits for the system's answer before it can be
// changed again, and says a failure in a message box of the window's.
class DailyBox : public QAction
{
    Q_OBJECT

public:
    DailyBox(QNetworkAccessManager &network, platform::Services services, QWidget *window);

    // Ticked as the system says.
    void read();
    // The region on display, which the change follows where it is on.
    void setMarket(const QString &market);

private:
    void turn(bool on);

    platform::Services m_services;
    QWidget *m_window;
    commands::DailyChange *m_change;
    QString m_market;
};
