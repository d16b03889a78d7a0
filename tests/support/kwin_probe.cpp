#include "kwin_probe.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryFile>
#include <QTest>

namespace quillo::test {
namespace {

const QString kService = QStringLiteral("org.kde.KWin");
constexpr int kScriptTimeoutMs = 10000;

// Prints one JSON line per managed window; "<tag>" marks this run's lines in KWin's log.
constexpr char kWindowsScript[] = R"(
const clients = workspace.clientList();
for (let i = 0; i < clients.length; ++i) {
    const c = clients[i];
    const g = c.frameGeometry;
    print("<tag> window " + JSON.stringify({
        caption: c.caption, resourceClass: String(c.resourceClass), pid: c.pid,
        x: g.x, y: g.y, width: g.width, height: g.height, active: c.active, keepAbove: c.keepAbove,
        skipTaskbar: c.skipTaskbar, minimized: c.minimized, demandsAttention: c.demandsAttention}));
}
)";

KWinWindow windowFromJson(const QJsonObject& json) {
    KWinWindow window;
    window.caption = json.value(QStringLiteral("caption")).toString();
    window.resourceClass = json.value(QStringLiteral("resourceClass")).toString();
    window.pid = json.value(QStringLiteral("pid")).toInteger();
    // KWin keeps geometry in floating point; whole pixels unless the output is scaled.
    const auto pixels = [&json](const char* key) {
        return qRound(json.value(QLatin1String(key)).toDouble());
    };
    window.frameGeometry = QRect(pixels("x"), pixels("y"), pixels("width"), pixels("height"));
    window.active = json.value(QStringLiteral("active")).toBool();
    window.keepAbove = json.value(QStringLiteral("keepAbove")).toBool();
    window.skipTaskbar = json.value(QStringLiteral("skipTaskbar")).toBool();
    window.minimized = json.value(QStringLiteral("minimized")).toBool();
    window.demandsAttention = json.value(QStringLiteral("demandsAttention")).toBool();
    return window;
}

} // namespace

KWinProbe::KWinProbe()
    : m_logPath(qEnvironmentVariable("QUILLO_KWIN_LOG")) {}

bool KWinProbe::isAvailable() const {
    return !m_logPath.isEmpty() && QFile::exists(m_logPath) &&
           QDBusConnection::sessionBus().interface()->isServiceRegistered(kService).value();
}

QList<KWinWindow> KWinProbe::windows() {
    QStringList lines;
    if (!runScript(QString::fromLatin1(kWindowsScript), lines))
        return {};
    QList<KWinWindow> found;
    for (const QString& line : lines) {
        if (!line.startsWith(QLatin1String("window ")))
            continue;
        const QJsonDocument json = QJsonDocument::fromJson(line.mid(7).toUtf8());
        if (json.isObject())
            found << windowFromJson(json.object());
    }
    return found;
}

QString KWinProbe::activeWindowCaption() {
    for (const KWinWindow& window : windows())
        if (window.active)
            return window.caption;
    return {};
}

KWinWindow KWinProbe::window(const QString& caption) {
    for (const KWinWindow& window : windows())
        if (window.caption == caption)
            return window;
    return {};
}

// Loads the script under a name of its own, runs it, collects its lines from KWin's log and unloads it.
bool KWinProbe::runScript(const QString& body, QStringList& lines) {
    m_error.clear();
    const QString tag =
        QStringLiteral("quillo-probe-%1-%2").arg(QCoreApplication::applicationPid()).arg(++m_runs);
    QTemporaryFile file;
    QFile log(m_logPath);
    if (!file.open() || !log.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("cannot write the script or read KWin's log at '%1'").arg(m_logPath);
        return false;
    }
    QString source = body;
    source.replace(QLatin1String("<tag>"), tag);
    source += QStringLiteral("print(\"%1 end\");\n").arg(tag);
    file.write(source.toUtf8());
    file.flush();
    log.seek(log.size());

    QDBusInterface scripting(kService, QStringLiteral("/Scripting"),
                             QStringLiteral("org.kde.kwin.Scripting"));
    const QDBusReply<int> id = scripting.call(QStringLiteral("loadScript"), file.fileName(), tag);
    if (!id.isValid() || id.value() < 0) {
        m_error = QStringLiteral("KWin did not load the script: %1").arg(id.error().message());
        return false;
    }
    QDBusInterface script(kService, QStringLiteral("/%1").arg(id.value()),
                          QStringLiteral("org.kde.kwin.Script"));
    const QDBusMessage ran = script.call(QStringLiteral("run"));

    QByteArray output;
    const QByteArray end = (tag + QStringLiteral(" end")).toUtf8();
    const bool finished = ran.type() == QDBusMessage::ReplyMessage && QTest::qWaitFor(
                                                                          [&] {
                                                                              output += log.readAll();
                                                                              return output.contains(end);
                                                                          },
                                                                          kScriptTimeoutMs);
    scripting.call(QStringLiteral("unloadScript"), tag);
    if (!finished) {
        m_error = QStringLiteral("the script's output did not reach KWin's log: %1").arg(ran.errorMessage());
        return false;
    }
    const QString prefix = tag + QLatin1Char(' ');
    for (const QByteArray& raw : output.split('\n')) {
        const QString line = QString::fromUtf8(raw);
        const qsizetype at = line.indexOf(prefix);
        if (at >= 0 && line.mid(at + prefix.size()) != QLatin1String("end"))
            lines << line.mid(at + prefix.size());
    }
    return true;
}

} // namespace quillo::test
