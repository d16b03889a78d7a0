// SPDX-License-Identifier: GPL-3.0-or-later
#include "portal_hotkey_backend.h"

#include "hotkey/hotkey_log.h"
#include "hotkey/key_codes.h"
#include "kde_key_sequence.h"
#include "portal_request.h"
#include "shortcut_trigger.h"
#include "storage/preferences.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QGuiApplication>

namespace quillo::portal {
namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kShortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kSessionInterface = QStringLiteral("org.freedesktop.portal.Session");
constexpr int kAnswerTimeoutMs = 10000;
constexpr int kCallTimeoutMs = 10000;

QDBusMessage portalCall(const QString& method) {
    return QDBusMessage::createMethodCall(kService, kPath, kShortcutsInterface, method);
}

QString key(const char* name) {
    return QString::fromLatin1(name);
}

bool containsShortcut(const PortalShortcuts& shortcuts) {
    for (const PortalShortcut& shortcut : shortcuts)
        if (shortcut.id == key(PortalHotKeyBackend::kShortcutId)) {
            qCDebug(lcHotKey) << "the desktop binds the hotkey to"
                              << shortcut.properties.value(QStringLiteral("trigger_description")).toString();
            return true;
        }
    return false;
}

/// The unique and the friendly name of the first of the components `names` that KDE's shortcut service lists
/// in its answer to allMainComponents (type aas: each one's unique name, friendly name, ...); empty for none.
QStringList firstListed(const QStringList& names, const QDBusMessage& reply) {
    QList<QStringList> listed;
    const QVariant components = reply.arguments().value(0);
    if (components.canConvert<QDBusArgument>()) {
        const QDBusArgument argument = components.value<QDBusArgument>();
        argument.beginArray();
        while (!argument.atEnd()) {
            QStringList component;
            argument >> component;
            listed << component;
        }
        argument.endArray();
    }
    for (const QString& name : names)
        for (const QStringList& component : std::as_const(listed))
            if (component.size() >= 2 && component.at(0) == name)
                return component.mid(0, 2);
    qCDebug(lcHotKey) << "KDE's shortcut service lists none of" << names;
    return {};
}

} // namespace

const QString PortalHotKeyBackend::kDescription = QStringLiteral("Показать или скрыть заметку");

std::unique_ptr<HotKeyBackend> makePortalHotKeyBackend(Preferences& preferences,
                                                       std::unique_ptr<HotKeyBackend> layout) {
    return std::make_unique<PortalHotKeyBackend>(preferences, std::move(layout));
}

PortalHotKeyBackend::PortalHotKeyBackend(Preferences& preferences, std::unique_ptr<HotKeyBackend> layout)
    : m_preferences(preferences)
    , m_layout(std::move(layout)) {
    connect(&m_registry, &PortalRegistry::finished, this, &PortalHotKeyBackend::registryAnswered);
}

PortalHotKeyBackend::~PortalHotKeyBackend() {
    shutDown();
}

QString PortalHotKeyBackend::newRequestToken() {
    // Unique among this process's requests: the portal names the Request object after it.
    return QStringLiteral("quillo%1").arg(++m_requestCount);
}

bool PortalHotKeyBackend::grab(quint32 keyCode, quint32 carbonModifiers) {
    const Shortcut shortcut{keyCode, carbonModifiers};
    const std::optional<QString> trigger = ShortcutTrigger::portalTrigger(shortcut, m_keymap);
    if (!trigger) {
        qCDebug(lcHotKey) << "key code" << keyCode << "names no key the desktop could bind";
        release();
        return false;
    }
    if (m_shutDown || !QDBusConnection::sessionBus().isConnected() || !listen()) {
        release();
        return false;
    }
    const bool same = m_wanted && m_trigger == *trigger;
    m_wanted = shortcut;
    m_trigger = *trigger;
    switch (m_state) {
    case State::Closed:
        createSession();
        break;
    case State::Creating:
        break; // the session's answer is weighed against what is wanted then
    case State::Open:
        if (!same || !(m_request || m_kdeCall)) // else the binding under way is this one
            settle(m_desktopHasShortcut);
        break;
    }
    return true;
}

void PortalHotKeyBackend::release() {
    m_wanted.reset();
    // A session still being created is closed when the portal's answer comes.
    if (m_state != State::Open)
        return;
    discardRequests();
    closeSession();
}

std::optional<QString> PortalHotKeyBackend::keyText(quint32 keyCode) {
    // Under Xwayland the X server's keymap is the compositor's, current layout included; a native Wayland
    // client of Qt has no public way to the compositor's keymap, so xkbcommon's default one names the keys.
    if (m_layout && QGuiApplication::platformName() == QLatin1String("xcb"))
        return m_layout->keyText(keyCode);
    const std::optional<quint32> evdev = KeyCodes::evdevCode(keyCode);
    return evdev ? m_keymap.text(*evdev) : std::nullopt;
}

bool PortalHotKeyBackend::listen() {
    if (m_listening)
        return true;
    PortalShortcut::registerDBusTypes();
    KdeKeySequence::registerDBusTypes();
    // Without this, QtDBus cannot match Activated's signature and connect() fails.
    qRegisterMetaType<QDBusObjectPath>();
    QDBusConnection bus = QDBusConnection::sessionBus();
    m_listening = bus.connect(kService, kPath, kShortcutsInterface, QStringLiteral("Activated"), this,
                              SLOT(onActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    if (!m_listening) {
        qCDebug(lcHotKey) << "cannot listen for the portal's shortcut activations";
        return false;
    }
    m_portalOwner =
        std::make_unique<QDBusServiceWatcher>(kService, bus, QDBusServiceWatcher::WatchForUnregistration);
    connect(m_portalOwner.get(), &QDBusServiceWatcher::serviceUnregistered, this, [this] {
        m_registry.forget(); // a portal started anew knows nobody
        if (m_state == State::Creating) {
            delete m_request.data(); // its answer will never come
            m_state = State::Closed;
            drop("the portal went away");
        } else if (m_state == State::Open) {
            sessionEnded();
        }
    });
    return true;
}

void PortalHotKeyBackend::shutDown() {
    if (m_shutDown)
        return;
    release();
    discardRequests();
    delete m_request.data(); // even a session being created: the portal closes it when Quillo goes
    if (m_listening)
        QDBusConnection::sessionBus().disconnect(
            kService, kPath, kShortcutsInterface, QStringLiteral("Activated"), this,
            SLOT(onActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    m_listening = false;
    m_portalOwner.reset();
    m_shutDown = true;
}

void PortalHotKeyBackend::createSession() {
    m_state = State::Creating;
    // Quillo names itself first, if at all: the portal takes a name only before a program's first call.
    if (m_registry.ask())
        return;
    const QString token = newRequestToken();
    QDBusMessage call = portalCall(QStringLiteral("CreateSession"));
    // The shortcut goes here as well as to BindShortcuts: Plasma 5.27 registers only what this list holds.
    call << QVariantMap{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("session_handle_token"), key(kSessionToken)},
                        {QStringLiteral("shortcuts"), QVariant::fromValue(wantedShortcuts())}};
    startRequest(token, call, kAnswerTimeoutMs, &PortalHotKeyBackend::sessionCreated);
    // A late answer still makes the session, whose name the next one would need: it is awaited, and taken
    // or closed when it comes.
    if (m_request) {
        m_request->disconnect(SIGNAL(timedOut()));
        connect(m_request, &PortalRequest::timedOut, this, &PortalHotKeyBackend::creationTimedOut);
    }
}

void PortalHotKeyBackend::registryAnswered() {
    if (m_state != State::Creating)
        return; // the portal went away meanwhile
    if (m_wanted)
        createSession();
    else
        m_state = State::Closed; // released while the portal was asked
}

void PortalHotKeyBackend::creationTimedOut() {
    if (!m_wanted)
        return;
    qCDebug(lcHotKey) << "the portal is too slow - no hotkey";
    m_wanted.reset();
    if (lost)
        lost();
}

void PortalHotKeyBackend::sessionCreated(uint response, const QVariantMap& results) {
    m_state = State::Closed;
    const QVariant handle = results.value(QStringLiteral("session_handle"));
    const QString session =
        handle.canConvert<QDBusObjectPath>() ? handle.value<QDBusObjectPath>().path() : handle.toString();
    if (response != PortalRequest::kSuccess || session.isEmpty()) {
        drop("the portal gave no shortcuts session");
        return;
    }
    m_session = session;
    m_state = State::Open;
    QDBusConnection::sessionBus().connect(kService, m_session, kSessionInterface, QStringLiteral("Closed"),
                                          this, SLOT(onSessionClosed(QVariantMap)));
    if (!m_wanted) {
        closeSession(); // released while the portal was creating it
        return;
    }
    // Plasma 5.27 says in its answer what the session has bound; other desktops are asked.
    if (results.contains(QStringLiteral("shortcuts")))
        settle(containsShortcut(PortalShortcut::listFrom(results.value(QStringLiteral("shortcuts")))));
    else
        listShortcuts();
}

void PortalHotKeyBackend::listShortcuts() {
    const QString token = newRequestToken();
    QDBusMessage call = portalCall(QStringLiteral("ListShortcuts"));
    call << QVariant::fromValue(QDBusObjectPath(m_session))
         << QVariantMap{{QStringLiteral("handle_token"), token}};
    startRequest(token, call, kAnswerTimeoutMs, &PortalHotKeyBackend::shortcutsListed);
}

void PortalHotKeyBackend::shortcutsListed(uint response, const QVariantMap& results) {
    const bool listed =
        response == PortalRequest::kSuccess &&
        containsShortcut(PortalShortcut::listFrom(results.value(QStringLiteral("shortcuts"))));
    settle(listed);
}

void PortalHotKeyBackend::settle(bool desktopHasShortcut) {
    m_desktopHasShortcut = desktopHasShortcut;
    discardRequests();
    // What the desktop binds now is kept when it is what Quillo last asked for, or what the user made of it
    // in the desktop's settings since; only a new shortcut of Quillo's own is bound again.
    const QString lastBound = m_preferences.stringValue(key(kBoundTriggerKey)).value_or(QString());
    if (desktopHasShortcut && lastBound == m_trigger)
        return;
    if (!desktopHasShortcut)
        bindShortcuts();
    else
        rebindOnKde();
}

void PortalHotKeyBackend::bindShortcuts() {
    const QString token = newRequestToken();
    QDBusMessage call = portalCall(QStringLiteral("BindShortcuts"));
    call << QVariant::fromValue(QDBusObjectPath(m_session)) << QVariant::fromValue(wantedShortcuts())
         << QString() << QVariantMap{{QStringLiteral("handle_token"), token}};
    // No limit on the answer: the desktop may ask the user first.
    startRequest(token, call, 0, &PortalHotKeyBackend::shortcutsBound);
}

void PortalHotKeyBackend::shortcutsBound(uint response, const QVariantMap& results) {
    const PortalShortcuts bound = PortalShortcut::listFrom(results.value(QStringLiteral("shortcuts")));
    // GNOME 48 answers 2 after the user approved the shortcut in its dialog: what it bound is the answer.
    if (response != PortalRequest::kSuccess && !containsShortcut(bound)) {
        // A refused change leaves the shortcut the desktop had; a refused first binding leaves none.
        if (!m_desktopHasShortcut)
            drop("the desktop did not bind the shortcut");
        return;
    }
    if (results.contains(QStringLiteral("shortcuts")) && !containsShortcut(bound)) {
        if (!m_desktopHasShortcut)
            drop("the desktop bound nothing");
        return;
    }
    m_desktopHasShortcut = true;
    rememberBound(m_trigger);
}

void PortalHotKeyBackend::rebindOnKde() {
    // KDE keeps the trigger it already has for a shortcut whatever a new session or BindShortcuts prefers;
    // its shortcut service, which Quillo's session registered the shortcut with, takes a new one directly,
    // under the component that holds it, which the service lists.
    const std::optional<int> keys = ShortcutTrigger::qtKeyCombination(*m_wanted, m_keymap);
    if (!keys) {
        bindShortcuts();
        return;
    }
    const auto rebind = [this, keys = *keys, trigger = m_trigger](const QDBusMessage& reply) {
        const QStringList component = firstListed(kdeComponents(), reply);
        if (component.isEmpty()) {
            bindShortcuts();
            return;
        }
        // The friendly name too, which the service would otherwise take as the component's new one.
        const QStringList action{component.at(0), key(kShortcutId), component.at(1), kDescription};
        callKde(QStringLiteral("setForeignShortcutKeys"),
                {action, QVariant::fromValue(KdeKeySequences{KdeKeySequence{{keys}}})},
                [this, trigger](const QDBusMessage&) { rememberBound(trigger); });
    };
    callKde(QStringLiteral("allMainComponents"), {}, rebind);
}

QStringList PortalHotKeyBackend::kdeComponents() const {
    // Plasma 6 names the component after the application id the portal knows Quillo by, else "token_" and
    // the session's token; Plasma 5.27 after the bare token. Earlier runs may have left any of them.
    QStringList names{QStringLiteral("token_") + key(kSessionToken), key(kSessionToken)};
    if (!m_registry.appId().isEmpty())
        names.prepend(m_registry.appId());
    return names;
}

void PortalHotKeyBackend::callKde(const QString& method, const QVariantList& arguments,
                                  std::function<void(const QDBusMessage&)> answered) {
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.kde.kglobalaccel"),
                                                       QStringLiteral("/kglobalaccel"),
                                                       QStringLiteral("org.kde.KGlobalAccel"), method);
    // Never started on demand: on other desktops it is no business of Quillo's.
    call.setAutoStartService(false);
    call.setArguments(arguments);
    auto* watcher =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call, kCallTimeoutMs), this);
    m_kdeCall = watcher;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, watcher, answered = std::move(answered)] {
                watcher->deleteLater();
                if (m_kdeCall != watcher)
                    return;
                m_kdeCall = nullptr;
                if (watcher->isError()) {
                    qCDebug(lcHotKey) << "no KDE shortcut service:" << watcher->error().message();
                    bindShortcuts();
                    return;
                }
                answered(watcher->reply());
            });
}

void PortalHotKeyBackend::rememberBound(const QString& trigger) {
    qCDebug(lcHotKey) << "the desktop was asked to bind" << trigger;
    m_preferences.setValue(key(kBoundTriggerKey), trigger);
}

void PortalHotKeyBackend::closeSession() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.disconnect(kService, m_session, kSessionInterface, QStringLiteral("Closed"), this,
                   SLOT(onSessionClosed(QVariantMap)));
    bus.send(QDBusMessage::createMethodCall(kService, m_session, kSessionInterface, QStringLiteral("Close")));
    m_session.clear();
    m_state = State::Closed;
    m_desktopHasShortcut = false;
}

void PortalHotKeyBackend::drop(const char* why) {
    qCDebug(lcHotKey) << why << "- no hotkey";
    discardRequests();
    if (m_state == State::Open)
        closeSession();
    const bool wasWanted = m_wanted.has_value();
    m_wanted.reset();
    if (wasWanted && lost)
        lost();
}

void PortalHotKeyBackend::sessionEnded() {
    qCDebug(lcHotKey) << "the portal ended the shortcuts session - no hotkey";
    discardRequests();
    QDBusConnection::sessionBus().disconnect(kService, m_session, kSessionInterface, QStringLiteral("Closed"),
                                             this, SLOT(onSessionClosed(QVariantMap)));
    m_session.clear();
    m_state = State::Closed;
    m_desktopHasShortcut = false;
    const bool wasWanted = m_wanted.has_value();
    m_wanted.reset();
    if (wasWanted && lost)
        lost();
}

void PortalHotKeyBackend::onActivated(const QDBusObjectPath& session, const QString& id, qulonglong,
                                      const QVariantMap&) {
    // The portal may send every session's activations to every listener: only this session's count.
    if (m_state != State::Open || !m_wanted || session.path() != m_session || id != key(kShortcutId))
        return;
    if (pressed)
        pressed();
}

void PortalHotKeyBackend::onSessionClosed(const QVariantMap&) {
    if (m_state == State::Open)
        sessionEnded();
}

PortalShortcuts PortalHotKeyBackend::wantedShortcuts() const {
    return {PortalShortcut{
        key(kShortcutId),
        {{QStringLiteral("description"), kDescription}, {QStringLiteral("preferred_trigger"), m_trigger}}}};
}

void PortalHotKeyBackend::startRequest(const QString& token, const QDBusMessage& call, int responseTimeoutMs,
                                       Handler handler) {
    discardRequests();
    auto* request = new PortalRequest(QDBusConnection::sessionBus(), token, call, responseTimeoutMs, this);
    m_request = request;
    const auto answer = [this, request, handler](uint response, const QVariantMap& results) {
        request->deleteLater();
        if (m_request != request)
            return;
        m_request = nullptr;
        (this->*handler)(response, results);
    };
    connect(request, &PortalRequest::finished, this, answer);
    connect(request, &PortalRequest::timedOut, this, [answer] { answer(PortalRequest::kNoAnswer, {}); });
    request->start();
}

void PortalHotKeyBackend::discardRequests() {
    // A session being created is not discarded: its answer is needed to close it again.
    if (m_request && m_state != State::Creating) {
        m_request->disconnect(this);
        delete m_request.data();
    }
    if (m_kdeCall) {
        m_kdeCall->disconnect(this);
        delete m_kdeCall.data();
    }
}

} // namespace quillo::portal
