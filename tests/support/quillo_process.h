#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

namespace quillo::test {

/// The real quillo binary ($QUILLO_BINARY) run as a user would, with settings and data folders of the test's
/// own choosing. Every wait is bounded; the process is killed if it is still running when this goes away.
class QuilloProcess final {
public:
    /// configHome and dataHome become XDG_CONFIG_HOME and XDG_DATA_HOME of the process.
    QuilloProcess(QString configHome, QString dataHome);
    ~QuilloProcess();
    QuilloProcess(const QuilloProcess&) = delete;
    QuilloProcess& operator=(const QuilloProcess&) = delete;

    QProcessEnvironment& environment() { return m_environment; }
    bool start();                                            ///< False if the binary could not be started.
    bool terminate(int signalNumber, int timeoutMs = 15000); ///< Sends the signal; true once it has exited.
    bool waitForExit(int timeoutMs = 15000);
    bool isRunning() const;
    qint64 pid() const;
    int exitCode() const;
    QProcess::ExitStatus exitStatus() const;
    QString standardOutput(); ///< Everything printed so far.
    QString standardError();

    static QString binaryPath();

private:
    QProcessEnvironment m_environment;
    QProcess m_process;
    QString m_stdout;
    QString m_stderr;
};

} // namespace quillo::test
