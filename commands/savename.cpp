#include "savename.h"

namespace commands {

QString proposedSaveName(const QString &address)
{
    const qsizetype encodedSlash = address.indexOf(QLatin1String("%2f"));
    if (encodedSlash >= 0)
        return address.mid(encodedSlash + 3);

    qsizetype lastSeparator = -1;
    for (const QChar separator : {u'/', u'?', u'=', u'&'})
        lastSeparator = std::max(lastSeparator, address.lastIndexOf(separator));
    return address.mid(lastSeparator + 1);
}

} // namespace commands
