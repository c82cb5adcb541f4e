#pragma once

#include "failure.h"

#include <QByteArray>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <chrono>

class QNetworkAccessManager;

namespace platform {

// What a finished GET gives: a failure number, or the final response's
// status and body. An HTTP error status is a response, not a failure.
struct HttpResult
{
    Failure failure = Failure::None;
    int status = 0;
    QByteArray body;

    bool succeeded() const { return failure == Failure::None; }
    // A response with a 2xx status: the body is the document asked for.
    bool isDocument() const { return succeeded() && status >= 200 && status < 300; }
};

// One GET request: follows redirects (http on to https too), gives up after
// a time limit without progress, and caps the body it keeps. Emits finished()
// exactly once, never from the constructor. Deleting it abandons the request
// without a signal.
class HttpGet : public QObject
{
    Q_OBJECT

public:
    enum class Body { Keep, Discard };

    // Bodies longer than maxBody fail with OutOfMemory (Keep only).
    HttpGet(QNetworkAccessManager &network, const QUrl &url, Body body, qint64 maxBody,
            QObject *parent = nullptr);
    ~HttpGet() override;

    bool isRunning() const { return m_running; }
    const HttpResult &result() const { return m_result; }

    // The time a request may go without progress before it is given up.
    static void setTimeLimit(std::chrono::milliseconds limit);

signals:
    void finished();

private:
    void readBody();
    void replyFinished();
    void stalled();
    void finishWith(Failure failure);

    QPointer<QNetworkReply> m_reply;
    QTimer m_stallTimer;
    Body m_body;
    qint64 m_maxBody;
    bool m_requestSent = false;
    bool m_running = true;
    HttpResult m_result;
};

} // namespace platform
