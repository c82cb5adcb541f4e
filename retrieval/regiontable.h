#pragma once

#include <QString>

#include <array>

namespace retrieval {

enum class Host { China, HongKong, Main };

// Where one of the search engine's three hosts is reached: "https://" and its
// name. Each may be replaced from the environment (TAVELO_CN_HOST,
// TAVELO_HK_HOST, TAVELO_MAIN_HOST) with a host and an optional ":port", for a
// mirror or a test server, which is then reached over plain HTTP unless the
// value starts with "https://". A value that is anything more is ignored.
QString origin(Host host);

// The image host's origin: the main host's, no trailing "/".
QString PicHost();

// Whether an address lies on the image host: its scheme, the main host and
// its port, no user name. A path cut from a page could otherwise carry the
// address elsewhere, as in "http://host@elsewhere/x.jpg".
bool isOnPicHost(const QString &address);

struct Region
{
    const char16_t *caption;
    Host host;
    const char *pathAndQuery;
    const char *market; // the market the image archive knows the region by
};

// The nine regional home pages, indexed like the option buttons.
inline constexpr std::array<Region, 9> RegionTable{ {
        { u"中国", Host::China, "/?mkt=zh-CN", "zh-CN" },
        { u"香港", Host::HongKong, "/", "zh-HK" },
        { u"日本", Host::Main, "/?mkt=ja-jp", "ja-JP" },
        { u"美国", Host::Main, "/?scope=web&setmkt=en-US", "en-US" },
        { u"法国", Host::Main, "/?scope=web&setmkt=fr-FR", "fr-FR" },
        { u"加拿大", Host::Main, "/?scope=web&setmkt=en-CA", "en-CA" },
        { u"德国", Host::Main, "/?scope=web&setmkt=de-DE", "de-DE" },
        { u"英国", Host::Main, "/?scope=web&setmkt=en-GB", "en-GB" },
        { u"澳大利亚", Host::Main, "/?scope=web&setmkt=en-AU", "en-AU" },
} };

// The full address of a row: its host's origin, its path and query. Empty
// for an index outside the table.
QString regionAddress(int index);

// Whether market ("ja-JP") is one of the nine: the name the archive knows a
// region by, and the one name Tavelo passes a region by.
bool isMarket(const QString &market);

} // namespace retrieval
