// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "default_keymap.h"
#include "hotkey/hotkey_backend.h"
#include "hotkey/shortcut.h"
#include "portal_registry.h"
#include "portal_shortcut.h"

#include <QDBusObjectPath>
#include <QObject>
#include <QPointer>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

class QDBusMessage;
class QDBusPendingCallWatcher;
class QDBusServiceWatcher;

namespace quillo {
class Preferences;
}

namespace quillo::portal {

class PortalRequest;

/// The global hotkey of a Wayland session, where no program may grab a key: one shortcut, "toggle-note", in
/// one session of the desktop's GlobalShortcuts portal, whose Activated signal is the press. Every call is
/// asynchronous: without a portal, on a refusal or when the portal is slow there is no hotkey, and nothing
/// waits. The desktop keeps the binding between sessions and lets the user change it in its own settings;
/// such a change stands until Quillo's own shortcut changes, which is bound again. Main thread only.
class PortalHotKeyBackend final : public QObject, public HotKeyBackend {
    Q_OBJECT
public:
    static constexpr char kShortcutId[] = "toggle-note";
    /// KDE names its record of an anonymous program's shortcut after the session's token, so the token never
    /// changes.
    static constexpr char kSessionToken[] = "quillo";
    /// The preferences key holding the trigger that the desktop was last asked to bind.
    static constexpr char kBoundTriggerKey[] = "hotKeyDesktopTrigger";
    static const QString kDescription; ///< What the desktop's settings show for the shortcut.

    /// `preferences` must outlive the backend; `layout` (may be null) names keys while Qt runs on X11.
    PortalHotKeyBackend(Preferences& preferences, std::unique_ptr<HotKeyBackend> layout);
    ~PortalHotKeyBackend() override;

    /// True once the request is on its way (the portal answers later; a refusal calls `lost`). False for a
    /// key code the keymap does not know or without a session bus.
    bool grab(quint32 keyCode, quint32 carbonModifiers) override;
    void release() override; ///< Closes the portal session.
    std::optional<QString> keyText(quint32 keyCode) override;

    QString sessionHandle() const { return m_session; } ///< The open session's object path, else empty.

private slots:
    void onActivated(const QDBusObjectPath& session, const QString& id, qulonglong timestamp,
                     const QVariantMap& options);
    void onSessionClosed(const QVariantMap& details);

private:
    QString newRequestToken();
    enum class State { Closed, Creating, Open };
    using Handler = void (PortalHotKeyBackend::*)(uint response, const QVariantMap& results);

    bool listen();
    void shutDown();
    void createSession();
    void registryAnswered();
    void sessionCreated(uint response, const QVariantMap& results);
    void listShortcuts();
    void shortcutsListed(uint response, const QVariantMap& results);
    void settle(bool desktopHasShortcut);
    void bindShortcuts();
    void shortcutsBound(uint response, const QVariantMap& results);
    void rebindOnKde();
    QStringList kdeComponents() const;
    /// A call to KDE's shortcut service; `answered` gets its reply, a failure binds through the portal
    /// instead.
    void callKde(const QString& method, const QVariantList& arguments,
                 std::function<void(const QDBusMessage&)> answered);
    void rememberBound(const QString& trigger);
    void closeSession();
    void creationTimedOut();
    void drop(const char* why);
    void sessionEnded();
    PortalShortcuts wantedShortcuts() const;
    /// A request whose answer goes to `handler`; one that times out goes there as refused and is forgotten.
    void startRequest(const QString& token, const QDBusMessage& call, int responseTimeoutMs, Handler handler);
    void discardRequests();

    Preferences& m_preferences;
    std::unique_ptr<HotKeyBackend> m_layout;
    int m_requestCount = 0;
    DefaultKeymap m_keymap;
    std::unique_ptr<QDBusServiceWatcher> m_portalOwner;
    PortalRegistry m_registry{QStringLiteral(QUILLO_APP_ID)};
    bool m_listening = false;
    bool m_shutDown = false; ///< The application is ending: the bus is not touched any more.

    State m_state = State::Closed;
    QString m_session;
    std::optional<Shortcut> m_wanted;
    QString m_trigger;                 ///< The portal trigger of m_wanted.
    bool m_desktopHasShortcut = false; ///< The open session has the shortcut, bound to something.
    QPointer<PortalRequest> m_request;
    QPointer<QDBusPendingCallWatcher> m_kdeCall;
};

} // namespace quillo::portal
