#include "regiontable.h"

#include <QUrl>

namespace retrieval {

namespace {

struct HostSetting
{
    const char *variable;
    const char *standard;
};

HostSetting settingFor(Host host)
{
    switch (host) {
    case Host::China:
        return {"TAVELO_CN_HOST", "cn.bing.com"};
    case Host::HongKong:
        return {"TAVELO_HK_HOST", "hk.bing.com"};
    case Host::Main:
        break;
    }
    return {"TAVELO_MAIN_HOST", "www.bing.com"};
}

// A host with an optional port, and nothing else.
bool isHostAndPort(const QString &text)
{
    const QUrl url(QStringLiteral("http://") + text, QUrl::StrictMode);
    return url.isValid() && !url.host().isEmpty() && url.path().isEmpty() && !url.hasQuery()
           && !url.hasFragment() && url.userInfo().isEmpty();
}

} // namespace

QString hostName(Host host)
{
    const HostSetting setting = settingFor(host);
    const QString replaced = qEnvironmentVariable(setting.variable).trimmed();
    if (!replaced.isEmpty() && isHostAndPort(replaced))
        return replaced;
    return QString::fromLatin1(setting.standard);
}

QString PicHost()
{
    return QStringLiteral("http://") + hostName(Host::Main);
}

bool isOnPicHost(const QString &address)
{
    const QUrl url(address);
    const QUrl origin(PicHost());
    return url.isValid() && url.scheme() == origin.scheme() && url.userInfo().isEmpty()
           && url.host() == origin.host() && url.port(80) == origin.port(80);
}

QString regionAddress(int index)
{
    if (index < 0 || index >= int(RegionTable.size()))
        return {};
    const Region &row = RegionTable[std::size_t(index)];
    return QStringLiteral("http://") + hostName(row.host) + QLatin1String(row.pathAndQuery);
}

} // namespace retrieval
