#include "x11_other_client.h"

#include <QDeadlineTimer>

namespace quillo::test {
namespace {

QString program() {
    return QStringLiteral(QUILLO_X11_OTHER_CLIENT);
}

} // namespace

X11OtherClient::~X11OtherClient() {
    stop();
}

bool X11OtherClient::start(const QStringList& arguments) {
    stop();
    m_keyPresses.clear();
    m_process.start(program(), arguments);
    return m_process.waitForStarted(10000);
}

void X11OtherClient::stop() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.closeWriteChannel(); // the client ends when its standard input closes
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString X11OtherClient::nextLine(int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!m_process.canReadLine()) {
        if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
            return {};
        m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    }
    return QString::fromUtf8(m_process.readLine()).trimmed();
}

bool X11OtherClient::grab(xcb_keycode_t keycode, const QList<quint16>& masks) {
    QStringList arguments{QStringLiteral("grab"), QString::number(keycode)};
    for (quint16 mask : masks)
        arguments << QString::number(mask);
    return start(arguments) && nextLine() == QLatin1String("grabbed");
}

xcb_window_t X11OtherClient::showWindow(const QString& name) {
    if (!start({QStringLiteral("window"), name}))
        return 0;
    const QString line = nextLine();
    if (!line.startsWith(QLatin1String("window ")))
        return 0;
    return xcb_window_t(line.mid(7).toUInt());
}

QList<xcb_keycode_t> X11OtherClient::keyPresses() {
    while (m_process.waitForReadyRead(0) || m_process.canReadLine()) {
        if (!m_process.canReadLine())
            continue;
        const QStringList words = QString::fromUtf8(m_process.readLine()).trimmed().split(u' ');
        if (words.size() == 3 && words[0] == QLatin1String("key"))
            m_keyPresses << xcb_keycode_t(words[1].toUInt());
    }
    return m_keyPresses;
}

bool X11OtherClient::canGrab(xcb_keycode_t keycode, const QList<quint16>& masks) {
    X11OtherClient other;
    return other.grab(keycode, masks);
}

bool X11OtherClient::run(const QStringList& arguments) {
    QProcess process;
    process.start(program(), arguments);
    if (!process.waitForFinished(10000))
        return false;
    return process.exitCode() == 0 && process.readAllStandardOutput().trimmed() == "done";
}

} // namespace quillo::test
