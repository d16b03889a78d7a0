#pragma once

#include <QString>
#include <QTemporaryFile>

namespace quillo::test {

/// Sends this process's standard output to a temporary file while it lives, so a test can read what was
/// printed.
class StdoutCapture final {
public:
    StdoutCapture();
    ~StdoutCapture(); ///< Gives standard output back.
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;

    QString text() const; ///< Everything printed since the capture began.

private:
    QTemporaryFile m_file;
    int m_savedStdout = -1;
};

} // namespace quillo::test
