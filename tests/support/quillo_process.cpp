#include "quillo_process.h"

#include <QDeadlineTimer>

#include <csignal>

namespace quillo::test {

QuilloProcess::QuilloProcess(QString configHome, QString dataHome)
    : m_environment(QProcessEnvironment::systemEnvironment()) {
    m_environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    m_environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
    m_environment.remove(QStringLiteral("QT_QPA_PLATFORM")); // the binary picks what a user's would
    if (qEnvironmentVariableIsSet("DISPLAY"))
        m_environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
}

QuilloProcess::~QuilloProcess() {
    if (isRunning()) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString QuilloProcess::binaryPath() {
    return qEnvironmentVariable("QUILLO_BINARY");
}

bool QuilloProcess::start() {
    m_process.setProcessEnvironment(m_environment);
    m_process.start(binaryPath(), {});
    return m_process.waitForStarted(10000);
}

bool QuilloProcess::terminate(int signalNumber, int timeoutMs) {
    if (!isRunning())
        return true;
    ::kill(pid_t(m_process.processId()), signalNumber);
    return waitForExit(timeoutMs);
}

bool QuilloProcess::waitForExit(int timeoutMs) {
    if (m_process.state() == QProcess::NotRunning)
        return true;
    return m_process.waitForFinished(timeoutMs);
}

bool QuilloProcess::isRunning() const {
    return m_process.state() != QProcess::NotRunning;
}

qint64 QuilloProcess::pid() const {
    return m_process.processId();
}

int QuilloProcess::exitCode() const {
    return m_process.exitCode();
}

QProcess::ExitStatus QuilloProcess::exitStatus() const {
    return m_process.exitStatus();
}

QString QuilloProcess::standardOutput() {
    m_stdout += QString::fromUtf8(m_process.readAllStandardOutput());
    return m_stdout;
}

QString QuilloProcess::standardError() {
    m_stderr += QString::fromUtf8(m_process.readAllStandardError());
    return m_stderr;
}

} // namespace quillo::test
