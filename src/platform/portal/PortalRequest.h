#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QVariantMap>

#include <optional>

// One call to an XDG desktop portal that answers through a Request object: the call returns at
// once, and the outcome comes later as the Request's Response signal, perhaps only after the
// user has answered a dialog of the desktop. The signal is subscribed to before the call, on the
// path the portal derives from the caller's name and the handle token, so that a quick answer
// is not missed.
class PortalRequest : public QObject {
    Q_OBJECT
public:
    // Response codes of the portal.
    enum class Outcome { Granted = 0, Cancelled = 1, Failed = 2, NoAnswer = 3 };

    PortalRequest(QDBusConnection connection, const QString& token);
    ~PortalRequest() override;
    PortalRequest(const PortalRequest&) = delete;
    PortalRequest& operator=(const PortalRequest&) = delete;

    // Sends call (whose options carry the handle token) and waits up to timeoutMs for the
    // response, letting events run meanwhile; the results on Granted.
    Outcome run(const QDBusMessage& call, int timeoutMs);
    const QVariantMap& results() const { return m_results; }

    // The object path of a request or session the portal makes for this caller and token.
    static QString objectPath(const QDBusConnection& connection, const QString& kind, const QString& token);

private Q_SLOTS:
    void onResponse(uint response, const QVariantMap& results);

Q_SIGNALS:
    void answered();

private:
    QDBusConnection m_connection;
    QString m_path;
    std::optional<uint> m_response;
    QVariantMap m_results;
};
