#include "piclocator.h"

namespace retrieval {

std::optional<QString> FindPicPath(QStringView page)
{
    static constexpr QStringView marker = u"g_img={url:";
    static constexpr QStringView endMark = u".jpg";
    static constexpr QStringView lineEnd = u"\r\n";

    // Neither the marker nor the end mark holds a line end, so the first
    // marker in the text lies on the first line that holds one, and the
    // search for the end mark may stop where that line ends.
    const qsizetype m = page.indexOf(marker);
    if (m < 0)
        return QString();
    qsizetype lineStop = page.indexOf(lineEnd, m + marker.size());
    if (lineStop < 0)
        lineStop = page.size();
    const QStringView line = page.first(lineStop);

    const qsizetype j = line.indexOf(endMark, m);
    if (j < 0)
        return std::nullopt;
    // Skip the one character after the marker; end on the end mark's last.
    const qsizetype start = m + marker.size() + 1;
    const qsizetype length = (j - m) - 8;
    return line.sliced(start, length).toString();
}

} // namespace retrieval
