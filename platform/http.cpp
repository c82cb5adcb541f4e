#include "http.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkRequest>

namespace platform {

namespace {

std::chrono::milliseconds g_timeLimit{ 30000 };

// Errors Qt raises for an HTTP error status: the response itself arrived.
bool isHttpStatusError(QNetworkReply::NetworkError error)
{
    using E = QNetworkReply::NetworkError;
    switch (error) {
    case E::ContentAccessDenied:
    case E::ContentOperationNotPermittedError:
    case E::ContentNotFoundError:
    case E::AuthenticationRequiredError:
    case E::ContentReSendError:
    case E::ContentConflictError:
    case E::ContentGoneError:
    case E::UnknownContentError:
    case E::ProtocolInvalidOperationError:
    case E::InternalServerError:
    case E::OperationNotImplementedError:
    case E::ServiceUnavailableError:
    case E::UnknownServerError:
        return true;
    default:
        return false;
    }
}

// The failure for a transfer that Qt ended with an error. requestSent tells
// whether the request had reached the server; a time-out before that means
// the server could not be reached.
Failure failureForNetworkError(QNetworkReply::NetworkError error, bool requestSent)
{
    using E = QNetworkReply::NetworkError;
    switch (error) {
    case E::NoError:
        return Failure::None;
    case E::ConnectionRefusedError:
    case E::HostNotFoundError:
    case E::UnknownNetworkError: // host or network unreachable
    case E::TemporaryNetworkFailureError:
    case E::NetworkSessionFailedError:
    case E::ProxyConnectionRefusedError:
    case E::ProxyNotFoundError:
        return Failure::CannotConnect;
    case E::TimeoutError:
    case E::ProxyTimeoutError:
        return requestSent ? Failure::TimedOut : Failure::CannotConnect;
    case E::SslHandshakeFailedError:
        return Failure::SecureFailure;
    default:
        return Failure::DownloadFailure;
    }
}

} // namespace

void HttpGet::setTimeLimit(std::chrono::milliseconds limit)
{
    g_timeLimit = limit;
}

HttpGet::HttpGet(QNetworkAccessManager &network, const QUrl &url, Body body, qint64 maxBody,
                 QObject *parent)
    : QObject(parent), m_body(body), m_maxBody(maxBody)
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(10);
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QCoreApplication::applicationName() + QLatin1Char('/')
                              + QCoreApplication::applicationVersion());

    m_reply = network.get(request);
    m_stallTimer.setSingleShot(true);
    m_stallTimer.setInterval(g_timeLimit);
    connect(&m_stallTimer, &QTimer::timeout, this, &HttpGet::stalled);

    auto progress = [this] { m_stallTimer.start(); };
    connect(m_reply, &QNetworkReply::requestSent, this, [this, progress] {
        m_requestSent = true;
        progress();
    });
    connect(m_reply, &QNetworkReply::redirected, this, [this, progress] {
        m_requestSent = false;
        progress();
    });
    connect(m_reply, &QNetworkReply::metaDataChanged, this, progress);
    connect(m_reply, &QNetworkReply::readyRead, this, [this, progress] {
        progress();
        readBody();
    });
    connect(m_reply, &QNetworkReply::finished, this, &HttpGet::replyFinished);
    m_stallTimer.start();
}

HttpGet::~HttpGet()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
}

void HttpGet::readBody()
{
    if (!m_running || !m_reply)
        return;
    const QByteArray chunk = m_reply->readAll();
    if (m_body == Body::Discard)
        return;
    if (m_result.body.size() + chunk.size() > m_maxBody) {
        finishWith(Failure::OutOfMemory);
        return;
    }
    // Room for the whole body at once, where the server says how long it is:
    // a picture of several MiB is then never held twice while it grows.
    const qint64 length = m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
    if (m_result.body.isEmpty() && length > chunk.size() && length <= m_maxBody)
        m_result.body.reserve(length);
    m_result.body += chunk;
}

void HttpGet::replyFinished()
{
    if (!m_running)
        return;
    readBody();
    if (!m_running)
        return;
    const auto error = m_reply->error();
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (error != QNetworkReply::NoError && !(isHttpStatusError(error) && status.isValid())) {
        m_result.body.clear();
        finishWith(failureForNetworkError(error, m_requestSent));
        return;
    }
    m_result.status = status.toInt();
    finishWith(Failure::None);
}

void HttpGet::stalled()
{
    finishWith(m_requestSent ? Failure::TimedOut : Failure::CannotConnect);
}

void HttpGet::finishWith(Failure failure)
{
    m_running = false;
    m_stallTimer.stop();
    m_result.failure = failure;
    if (failure != Failure::None)
        m_result.body.clear();
    if (m_reply) {
        m_reply->disconnect(this);
        if (m_reply->isRunning())
            m_reply->abort();
        m_reply->deleteLater();
        m_reply = nullptr;
    }
    // Always deliver the result from the event loop, so that whoever
    // receives it may start or drop requests freely.
    QMetaObject::invokeMethod(this, &HttpGet::finished, Qt::QueuedConnection);
}

} // namespace platform
