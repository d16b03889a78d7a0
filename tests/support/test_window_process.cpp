#include "test_window_process.h"

#include <QProcessEnvironment>

namespace quillo::test {

TestWindowProcess::TestWindowProcess(const QString& title, const QString& platform,
                                     const QStringList& options) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    m_process.setProcessEnvironment(environment);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(qEnvironmentVariable("QUILLO_TEST_WINDOW"), QStringList{title} + options);
}

TestWindowProcess::~TestWindowProcess() {
    m_process.kill();
    m_process.waitForFinished(5000);
}

QStringList TestWindowProcess::output() {
    m_output += QString::fromUtf8(m_process.readAllStandardOutput());
    return m_output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString TestWindowProcess::lastText() {
    QString text;
    for (const QString& line : output())
        if (line.startsWith(QLatin1String("text: ")))
            text = line.mid(6);
    return text;
}

} // namespace quillo::test
