#include "localhosts.h"

LocalHosts::LocalHosts()
{
    qputenv("TAVELO_CN_HOST", cn.hostAndPort().toLatin1());
    qputenv("TAVELO_HK_HOST", hk.hostAndPort().toLatin1());
    qputenv("TAVELO_MAIN_HOST", main.hostAndPort().toLatin1());
}

LocalHosts::~LocalHosts()
{
    qunsetenv("TAVELO_CN_HOST");
    qunsetenv("TAVELO_HK_HOST");
    qunsetenv("TAVELO_MAIN_HOST");
}

void LocalHosts::servePicture(const QByteArray &path, const QByteArray &jpeg)
{
    cn.serve("/?mkt=zh-CN", homePage(path));
    main.serve(path, jpeg, "image/jpeg");
}
