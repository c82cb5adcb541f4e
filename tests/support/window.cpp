#include "window.h"

#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

QStringList FakeDialogs::texts() const
{
    QStringList said;
    for (const Message &message : messages)
        said << message.text;
    return said;
}

Window::Window()
{
    QCoreApplication::setApplicationName(QStringLiteral("Tavelo"));
    qputenv("TAVELO_CN_HOST", cn.hostAndPort().toLatin1());
    qputenv("TAVELO_HK_HOST", hk.hostAndPort().toLatin1());
    qputenv("TAVELO_MAIN_HOST", main.hostAndPort().toLatin1());
    cn.serve("/?mkt=zh-CN", { 200, homePage("/first.jpg") });
    main.serve("/first.jpg", first);
}

Window::~Window()
{
    form.reset();
    for (const char *host : { "TAVELO_CN_HOST", "TAVELO_HK_HOST", "TAVELO_MAIN_HOST" })
        qunsetenv(host);
}

Form1 &Window::start(const QString &programFolder)
{
    const QString program = programFolder.isEmpty() ? folder.path() : programFolder;
    const platform::Services services{ dialogs, clock, wallpaper, program, keptFolder };
    form = std::make_unique<Form1>(services);
    form->Form_Load();
    return *form;
}

bool Window::loadOver()
{
    auto *timer = child<QTimer>(QStringLiteral("Timer1"));
    if (timer->isActive())
        QMetaObject::invokeMethod(timer, "timeout");
    return !timer->isActive();
}

void Window::click(const QString &control)
{
    if (auto *action = child<QAction>(control))
        action->trigger();
    else
        QTest::mouseClick(child(control), Qt::LeftButton);
}

QSize Window::shown() const
{
    return child<QLabel>(QStringLiteral("Image1"))->pixmap().deviceIndependentSize().toSize();
}

QSize Window::around(QSize shown) const
{
    const int frame = form->frameGeometry().width() - form->width();
    const int row = screenTwips().pixels(layout::RowRight) + frame;
    return { std::max(shown.width(), row), shown.height() + screenTwips().pixels(layout::Band) };
}

Twips screenTwips()
{
    return Twips::on(QGuiApplication::primaryScreen());
}

QSize onScreen(QSize pixels)
{
    return (QSizeF(pixels) / QGuiApplication::primaryScreen()->devicePixelRatio()).toSize();
}

QString caption(QDate date)
{
    return QStringLiteral("Tavelo  ") + QLocale::system().toString(date, QLocale::ShortFormat);
}

PrivateBus::PrivateBus()
{
    daemon.start("dbus-daemon",
                 { "--session", "--print-address=1", "--nofork", "--nopidfile",
                   "--address=unix:dir=" + folder.path() });
    if (!daemon.waitForStarted() || !daemon.waitForReadyRead(10000))
        qFatal("dbus-daemon is missing: run tools/setup");
    address = QString::fromUtf8(daemon.readLine().trimmed());
    qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
}

PrivateBus::~PrivateBus()
{
    qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    daemon.terminate();
    daemon.waitForFinished();
}
