#pragma once

#include <QString>

#include <array>

namespace retrieval {

enum class Host { China, HongKong, Main };

// The search engine's three hosts. Each may be replaced from the environment
// (TAVELO_CN_HOST, TAVELO_HK_HOST, TAVELO_MAIN_HOST: a host with an optional
// ":port"), so that Tavelo can be pointed at a mirror or a test server.
QString hostName(Host host);

// The image host's origin: "http://" and the main host, no trailing "/".
QString PicHost();

// Whether an address lies on the image host: plain HTTP, the main host and
// its port, no user name. A path cut from a page could otherwise carry the
// address elsewhere, as in "http://host@elsewhere/x.jpg".
bool isOnPicHost(const QString &address);

struct Region
{
    const char16_t *caption;
    Host host;
    const char *pathAndQuery;
};

// The nine regional home pages, indexed like the option buttons.
inline constexpr std::array<Region, 9> RegionTable{{
    {u"中国", Host::China, "/?mkt=zh-CN"},
    {u"香港", Host::HongKong, "/"},
    {u"日本", Host::Main, "/?mkt=ja-jp"},
    {u"美国", Host::Main, "/?scope=web&setmkt=en-US"},
    {u"法国", Host::Main, "/?scope=web&setmkt=fr-FR"},
    {u"加拿大", Host::Main, "/?scope=web&setmkt=en-CA"},
    {u"德国", Host::Main, "/?scope=web&setmkt=de-DE"},
    {u"英国", Host::Main, "/?scope=web&setmkt=en-GB"},
    {u"澳大利亚", Host::Main, "/?scope=web&setmkt=en-AU"},
}};

// The full address of a row: "http://", its host, its path and query.
// Empty for an index outside the table.
QString regionAddress(int index);

} // namespace retrieval
