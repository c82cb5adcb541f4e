#include "dailybox.h"

#include "commands/dailychange.h"

#include "platform/dialogs.h"
#include "platform/screens.h"

#include <QWidget>

using platform::Failure;

DailyBox::DailyBox(QNetworkAccessManager &network, platform::Services services, QWidget *window)
    : QAction(QStringLiteral("每天自动更换桌面背景"), window),
      m_services(services),
      m_window(window),
      m_change(new commands::DailyChange(network, services.wallpaper, this))
{
    setObjectName(QStringLiteral("Check1"));
    setCheckable(true);
    connect(this, &QAction::triggered, this, &DailyBox::turn);
    connect(m_change, &commands::DailyChange::settled, this, [this](bool on) {
        setChecked(on);
        setEnabled(true);
    });
    connect(m_change, &commands::DailyChange::failed, this, [this](Failure failure) {
        // The desktop's refusal is its own to tell.
        if (failure == Failure::DeviceUnavailable)
            return;
        const QString text = failure == Failure::PathFileAccessError
                ? platform::genericMessage(failure)
                : platform::loadMessage(failure);
        m_services.dialogs.showMessage(m_window, text, platform::MessageStyle::Plain);
    });
}

void DailyBox::read()
{
    m_change->read(platform::largestScreen());
}

void DailyBox::setMarket(const QString &market)
{
    if (!std::exchange(m_market, market).isEmpty())
        m_change->follow(market, platform::largestScreen());
}

void DailyBox::turn(bool on)
{
    setEnabled(false);
    if (on)
        m_change->turnOn(m_market, platform::largestScreen());
    else
        m_change->turnOff();
}
