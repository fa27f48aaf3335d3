// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QTemporaryFile>

#include <cstdio>
#include <unistd.h>

namespace KeyboardShortcuts::Testing {

// Sends everything written to standard output into a file until text() is
// called, which restores the real output and returns what was written.
class StdoutCapture final
{
public:
    StdoutCapture()
    {
        std::fflush(stdout);
        if (m_file.open()) {
            m_saved = ::dup(STDOUT_FILENO);
            ::dup2(m_file.handle(), STDOUT_FILENO);
        }
    }
    ~StdoutCapture() { restore(); }
    Q_DISABLE_COPY_MOVE(StdoutCapture)

    QByteArray text()
    {
        restore();
        m_file.seek(0);
        return m_file.readAll();
    }

private:
    void restore()
    {
        if (m_saved < 0)
            return;
        std::fflush(stdout);
        ::dup2(m_saved, STDOUT_FILENO);
        ::close(m_saved);
        m_saved = -1;
    }

    QTemporaryFile m_file;
    int m_saved = -1;
};

} // namespace KeyboardShortcuts::Testing
