#include "failure.h"

namespace platform {

QString genericMessage(Failure failure)
{
    const qint32 number = qint32(failure);
    const QString digits = QString::number(number);
    const QString shown = number < 0 ? digits : QLatin1Char(' ') + digits;
    return QStringLiteral("发生错误，错误号") + shown + QStringLiteral("。");
}

QString loadMessage(Failure failure)
{
    if (failure == Failure::CannotConnect)
        return QStringLiteral("发生错误，此问题常发生在不能连接bing服务器。");
    if (failure == Failure::PermissionDenied)
        return QStringLiteral("发生错误，此问题常发生在同时运行此程序两次，")
                + QStringLiteral("请在任务管理器中查看并关闭程序。");
    return genericMessage(failure);
}

} // namespace platform
