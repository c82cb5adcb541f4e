#pragma once

#include <QSet>
#include <QString>
#include <QWidget>

#include <memory>
#include <optional>

class QNetworkAccessManager;

namespace platform {

class HttpGet;

// A stand-in for an embedded browser that is never looked at: it fetches the
// address it is pointed at, keeps that address as its current document's, and
// is busy while the fetch runs. What it has loaded whole it keeps, as a
// browser's cache does, and shows again without a request.
class BrowserControl : public QWidget
{
    Q_OBJECT

public:
    BrowserControl(QNetworkAccessManager &network, QWidget *parent = nullptr);
    ~BrowserControl() override;

    // Starts loading the address and returns at once; a new navigation
    // replaces the one before. Where its document is given (a picture kept
    // on this machine), nothing is loaded: that is the document.
    void navigate(const QString &address, const QByteArray &document = {});

    // True from a navigation until its document has finished loading.
    bool busy() const;

    // The current document's address; none before the first navigation.
    std::optional<QString> documentUrl() const { return m_documentUrl; }
    // The current document's bytes, where they were given.
    QByteArray givenDocument() const { return m_given; }

private:
    QNetworkAccessManager &m_network;
    std::unique_ptr<HttpGet> m_fetch;
    std::optional<QString> m_documentUrl;
    QByteArray m_given;
    QSet<QString> m_loaded;
};

} // namespace platform
