#include "regiontable.h"

#include <QUrl>

#include <algorithm>

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
        return { "TAVELO_CN_HOST", "cn.bing.com" };
    case Host::HongKong:
        return { "TAVELO_HK_HOST", "hk.bing.com" };
    case Host::Main:
        break;
    }
    return { "TAVELO_MAIN_HOST", "www.bing.com" };
}

// "https://" and a host with an optional port, or plain "http://" for a
// replacement written without a scheme; empty when the text is anything more.
QString replacementOrigin(QString text)
{
    const QLatin1String https("https://");
    const bool secure = text.startsWith(https);
    if (secure)
        text.remove(0, https.size());
    const QString candidate =
            (secure ? QStringLiteral("https://") : QStringLiteral("http://")) + text;
    const QUrl url(candidate, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || !url.path().isEmpty() || url.hasQuery()
        || url.hasFragment() || !url.userInfo().isEmpty())
        return {};
    return candidate;
}

int defaultPort(const QUrl &url)
{
    return url.scheme() == QLatin1String("https") ? 443 : 80;
}

} // namespace

QString origin(Host host)
{
    const HostSetting setting = settingFor(host);
    const QString replaced = replacementOrigin(qEnvironmentVariable(setting.variable).trimmed());
    if (!replaced.isEmpty())
        return replaced;
    // The service answers on https, and anyone on the way could swap what
    // plain http carries.
    return QStringLiteral("https://") + QLatin1String(setting.standard);
}

QString PicHost()
{
    return origin(Host::Main);
}

bool isOnPicHost(const QString &address)
{
    const QUrl url(address);
    const QUrl picHost(PicHost());
    return url.isValid() && url.scheme() == picHost.scheme() && url.userInfo().isEmpty()
            && url.host() == picHost.host()
            && url.port(defaultPort(url)) == picHost.port(defaultPort(picHost));
}

bool isMarket(const QString &market)
{
    return std::ranges::any_of(RegionTable, [&market](const Region &region) {
        return market == QLatin1String(region.market);
    });
}

QString regionAddress(int index)
{
    if (index < 0 || index >= int(RegionTable.size()))
        return {};
    const Region &row = RegionTable[std::size_t(index)];
    return origin(row.host) + QLatin1String(row.pathAndQuery);
}

} // namespace retrieval
