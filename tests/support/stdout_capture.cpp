#include "stdout_capture.h"

#include <cstdio>
#include <unistd.h>

namespace quillo::test {

StdoutCapture::StdoutCapture() {
    if (!m_file.open())
        qFatal("no temporary file for standard output");
    std::fflush(stdout);
    m_savedStdout = ::dup(STDOUT_FILENO);
    ::dup2(m_file.handle(), STDOUT_FILENO);
}

StdoutCapture::~StdoutCapture() {
    std::fflush(stdout);
    ::dup2(m_savedStdout, STDOUT_FILENO);
    ::close(m_savedStdout);
}

QString StdoutCapture::text() const {
    std::fflush(stdout);
    QFile file(m_file.fileName());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

} // namespace quillo::test
