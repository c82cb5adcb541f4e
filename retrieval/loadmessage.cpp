#include "loadmessage.h"

#include "platform/failure.h"

namespace retrieval {

QString loadFailureMessage(qint32 number)
{
    using namespace platform;
    if (number == failure::CannotConnect)
        return QStringLiteral("发生错误，此问题常发生在不能连接bing服务器。");
    if (number == failure::PermissionDenied)
        return QStringLiteral("发生错误，此问题常发生在同时运行此程序两次，请在任务管理器中查看并关闭程序。");
    return failure::genericMessage(number);
}

} // namespace retrieval
