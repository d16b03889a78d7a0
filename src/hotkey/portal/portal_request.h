// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariantMap>

namespace quillo::portal {

/// One request to the desktop portal: a method call whose answer comes later as the Response signal of a
/// Request object, subscribed to before the call goes out. Answers exactly once through finished(), also when
/// the call fails; a portal silent past the time limit is reported through timedOut(), and its answer is
/// still taken should it come later. Main thread only.
class PortalRequest final : public QObject {
    Q_OBJECT
public:
    static constexpr uint kSuccess = 0;
    static constexpr uint kNoAnswer = 0xffff; ///< The call failed: no portal, or it refused the call.

    /// `call` carries handle_token = `token` in its options. timedOut() follows `responseTimeoutMs` without
    /// an answer; 0 waits without a limit (the portal may be waiting for the user in a dialog).
    PortalRequest(QDBusConnection bus, const QString& token, QDBusMessage call, int responseTimeoutMs,
                  QObject* parent = nullptr);
    ~PortalRequest() override;
    void start();

signals:
    /// The portal's response code (0 success, 1 cancelled by the user, 2 other) or kNoAnswer, and its
    /// results.
    void finished(uint response, const QVariantMap& results);
    /// The time limit passed without an answer; finished() may still follow.
    void timedOut();

private slots:
    void onResponse(uint response, const QVariantMap& results);

private:
    bool subscribe(const QString& path);
    void unsubscribe();
    void finish(uint response, const QVariantMap& results);

    QDBusConnection m_bus;
    QDBusMessage m_call;
    QString m_expectedPath;
    QStringList m_subscribed;
    QTimer m_timeout;
    bool m_finished = false;
};

} // namespace quillo::portal
