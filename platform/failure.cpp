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

QString loadMessage(qint32 number)
{
    if (number == CannotConnect)
        return QStringLiteral("发生错误，此问题常发生在不能连接bing服务器。");
    if (number == PermissionDenied)
        return QStringLiteral("发生错误，此问题常发生在同时运行此程序两次，请在任务管理器中查看并关闭程序。");
    return genericMessage(number);
}

} // namespace platform::failure
