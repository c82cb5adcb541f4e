#include "savename.h"

#include <QStringList>

namespace commands {

QString proposedSaveName(const QString &address)
{
    const qsizetype encodedSlash = address.indexOf(QLatin1String("%2f"));
    if (encodedSlash >= 0)
        return address.mid(encodedSlash + 3);

    const qsizetype query = address.indexOf(QLatin1Char('?'));
    if (query >= 0) {
        const QStringList items = address.mid(query + 1).split(QLatin1Char('&'));
        for (const QString &item : items) {
            if (item.startsWith(QLatin1String("id="))
                && item.endsWith(QLatin1String(".jpg"), Qt::CaseInsensitive)
                && !item.contains(QLatin1Char('/')) && !item.contains(QLatin1Char('#')))
                return item.mid(3);
        }
    }

    qsizetype lastSeparator = -1;
    for (const QChar separator : { u'/', u'?', u'=', u'&' })
        lastSeparator = std::max(lastSeparator, address.lastIndexOf(separator));
    return address.mid(lastSeparator + 1);
}

} // namespace commands
