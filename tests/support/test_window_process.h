#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace quillo::test {

/// quillo-test-window ($QUILLO_TEST_WINDOW) run as a client of its own on the Qt platform asked for: a window
/// with one line edit that prints its text after every change, to show where typed keys land.
class TestWindowProcess final {
public:
    TestWindowProcess(const QString& title, const QString& platform, const QStringList& options = {});
    ~TestWindowProcess();
    TestWindowProcess(const TestWindowProcess&) = delete;
    TestWindowProcess& operator=(const TestWindowProcess&) = delete;

    QStringList output(); ///< Everything the window has printed so far, one entry per line.
    QString lastText();   ///< The line edit's text as last printed.

private:
    QProcess m_process;
    QString m_output;
};

} // namespace quillo::test
