#include <QtGlobal>

#ifndef Q_OS_WIN
// GIO first: its headers use "signals" as a name, which Qt defines as a macro.
#  include <gio/gio.h>
#endif

#include "connection.h"

#include <QObject>
#include <QTimer>

namespace platform {

#ifdef Q_OS_WIN

// Windows tells no more than the request's own failure would.
void whenConnected(std::chrono::milliseconds, QObject *, std::function<void(bool connected)> then)
{
    then(true);
}

#else

namespace {

// One wait for a connection, a child of its caller's context: it ends once,
// when a connection comes or time is up, and lets go of the monitor then.
class ConnectionWait : public QObject
{
public:
    ConnectionWait(GNetworkMonitor *monitor, std::chrono::milliseconds timeout, QObject *context,
                   std::function<void(bool connected)> then)
        : QObject(context), m_monitor(monitor), m_then(std::move(then))
    {
        m_handler = g_signal_connect(monitor, "network-changed", G_CALLBACK(changed), this);
        QTimer::singleShot(timeout, this, [this] { end(false); });
    }

    ~ConnectionWait() override { g_signal_handler_disconnect(m_monitor, m_handler); }

private:
    static void changed(GNetworkMonitor *, gboolean available, gpointer wait)
    {
        if (available)
            static_cast<ConnectionWait *>(wait)->end(true);
    }

    void end(bool connected)
    {
        if (!m_then)
            return;
        deleteLater();
        std::exchange(m_then, nullptr)(connected);
    }

    GNetworkMonitor *m_monitor;
    gulong m_handler = 0;
    std::function<void(bool connected)> m_then;
};

} // namespace

// GIO's monitor follows the routes, or NetworkManager where that runs, and
// tells of every change from this thread's main loop, which Qt's event loop
// runs. (Qt 6.4's backend of the same name looks again only when the
// connectivity changes, which the routes' monitor never says.)
void whenConnected(std::chrono::milliseconds timeout, QObject *context,
                   std::function<void(bool connected)> then)
{
    GNetworkMonitor *monitor = g_network_monitor_get_default();
    if (!monitor || g_network_monitor_get_network_available(monitor))
        then(true);
    else
        new ConnectionWait(monitor, timeout, context, std::move(then));
}

#endif

} // namespace platform
