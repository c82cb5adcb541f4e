#include "failure.h"

namespace platform::failure {

QString numberText(qint64 number)
{
    const QString digits = QString::number(number);
    return number < 0 ? digits : QLatin1Char(' ') + digits;
}

QString genericMessage(qint32 number)
{
    return QStringLiteral("发生错误，错误号") + numberText(number) + QStringLiteral("。");
}

} // namespace platform::failure
