#include "browsercontrol.h"

#include "http.h"

namespace platform {

BrowserControl::BrowserControl(QNetworkAccessManager &network, QWidget *parent)
    : QWidget(parent), m_network(network)
{
    setFocusPolicy(Qt::NoFocus);
}

BrowserControl::~BrowserControl() = default;

void BrowserControl::navigate(const QString &address, const QByteArray &document)
{
    m_documentUrl = address;
    m_given = document;
    m_fetch.reset();
    if (m_loaded.contains(address) || !document.isEmpty())
        return;
    m_fetch = std::make_unique<HttpGet>(m_network, QUrl(address), HttpGet::Body::Discard, 0);
    connect(m_fetch.get(), &HttpGet::finished, this, [this, address] {
        if (m_fetch->result().isDocument())
            m_loaded.insert(address);
    });
}

bool BrowserControl::busy() const
{
    return m_fetch && m_fetch->isRunning();
}

} // namespace platform
