#pragma once

#include "testserver.h"

// Three local servers standing in for the three hosts; the host settings
// point at them while this lives.
struct LocalHosts
{
    LocalHosts();
    ~LocalHosts();

    // Serves a China home page naming the picture, and the picture itself.
    void servePicture(const QByteArray &path, const QByteArray &jpeg);
    QString mainOrigin() const { return "http://" + main.hostAndPort(); }

    TestServer cn;
    TestServer hk;
    TestServer main;
};
