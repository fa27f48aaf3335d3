// SPDX-License-Identifier: GPL-3.0-or-later
#include "autostart/AutostartService.h"

#include "autostart/DesktopEntry.h"
#include "core/AppInfo.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace LaunchAtLogin {

namespace {

QString describeErrno(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

std::filesystem::path fsPath(const QByteArray &bytes)
{
    return std::filesystem::path(std::string(bytes.constData(), size_t(bytes.size())));
}

QByteArray parentOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.first(slash);
}

// Creates every missing folder of path, like mkdir -p, private to the user.
int makeFolders(const QByteArray &path)
{
    struct stat st
    {
    };
    if (::stat(path.constData(), &st) == 0)
        return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
    if (errno != ENOENT)
        return errno;
    const QByteArray parent = parentOf(path);
    if (parent != path) {
        if (const int error = makeFolders(parent))
            return error;
    }
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return errno;
    return 0;
}

bool readFile(const QByteArray &path, QByteArray &contents)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char buffer[4096];
    ssize_t n = 0;
    // An autostart entry is a few hundred bytes; refuse to slurp anything huge.
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0 && contents.size() < 1024 * 1024)
        contents.append(buffer, n);
    ::close(fd);
    return n >= 0;
}

// Writes next to the target and renames over it, so a crash never leaves half an entry.
int writeFileAtomically(const QByteArray &path, const QByteArray &contents)
{
    QByteArray temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return errno;
    qsizetype written = 0;
    while (written < contents.size()) {
        const ssize_t n
            = ::write(fd, contents.constData() + written, size_t(contents.size() - written));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            ::close(fd);
            ::unlink(temp.constData());
            return error;
        }
        written += n;
    }
    ::fchmod(fd, 0644);
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        const int error = errno;
        ::unlink(temp.constData());
        return error;
    }
    if (::rename(temp.constData(), path.constData()) != 0) {
        const int error = errno;
        ::unlink(temp.constData());
        return error;
    }
    return 0;
}

} // namespace

AutostartService::AutostartService(QByteArray entryPath, QString program)
    : m_entryPath(std::move(entryPath))
    , m_program(std::move(program))
{ }

AutostartService AutostartService::forCurrentUser()
{
    // Inside an AppImage the running file lives in a mount that is gone after logout;
    // the image itself is what must start next time.
    const QString appImage = qEnvironmentVariable("APPIMAGE");
    if (appImage.startsWith(u'/') && QFileInfo(appImage).isFile())
        return AutostartService(defaultEntryPath(), appImage);
    return AutostartService(defaultEntryPath(), QCoreApplication::applicationFilePath());
}

QByteArray AutostartService::defaultEntryPath()
{
    QByteArray config = qgetenv("XDG_CONFIG_HOME");
    // Relative values are invalid and must be ignored.
    if (!config.startsWith('/'))
        config = qgetenv("HOME") + "/.config";
    return config + "/autostart/vantry.desktop";
}

QByteArray AutostartService::entryContents() const
{
    QString name = vantry::AppInfo::displayName();
    if (name.isEmpty())
        name = QStringLiteral("Vantry");
    // No X-GNOME-Autostart-Phase: systemd's autostart generator skips entries that have one.
    QByteArray text = "[Desktop Entry]\n"
                      "Type=Application\n";
    text += "Name=" + name.toUtf8() + '\n';
    // At login the tray icon is all that should appear.
    text += "Exec=" + DesktopEntry::execValue(m_program).toUtf8() + " --background\n";
    text += "Icon=" + vantry::AppInfo::appId().toUtf8() + '\n';
    text += "Terminal=false\n"
            "X-GNOME-Autostart-enabled=true\n";
    return text;
}

bool AutostartService::runsThisProgram(const QString &execProgram) const
{
    if (execProgram.isEmpty())
        return false;
    if (execProgram == m_program)
        return true;
    QString resolved = execProgram;
    if (!execProgram.contains(u'/'))
        resolved = QStandardPaths::findExecutable(execProgram);
    if (resolved.isEmpty())
        return false;
    std::error_code error;
    return std::filesystem::equivalent(
        fsPath(QFile::encodeName(resolved)), fsPath(QFile::encodeName(m_program)), error);
}

Status AutostartService::status() const
{
    if (m_program.isEmpty())
        return Status::notFound;
    QByteArray contents;
    if (!readFile(m_entryPath, contents))
        return Status::notRegistered;
    const DesktopEntry::Keys keys = DesktopEntry::parse(contents);
    if (keys.hidden || keys.gnomeDisabled || !keys.exec)
        return Status::notRegistered;
    return runsThisProgram(DesktopEntry::execProgram(*keys.exec)) ? Status::enabled
                                                                  : Status::notRegistered;
}

std::optional<QString> AutostartService::registerItem()
{
    if (m_program.isEmpty())
        return tr("The program's own location is unknown.");
    const QByteArray folder = parentOf(m_entryPath);
    if (const int error = makeFolders(folder)) {
        return tr("Could not create the folder %1: %2")
            .arg(QFile::decodeName(folder), describeErrno(error));
    }
    if (const int error = writeFileAtomically(m_entryPath, entryContents())) {
        return tr("Could not write %1: %2")
            .arg(QFile::decodeName(m_entryPath), describeErrno(error));
    }
    return std::nullopt;
}

std::optional<QString> AutostartService::unregisterItem()
{
    if (::unlink(m_entryPath.constData()) != 0 && errno != ENOENT) {
        const int error = errno;
        return tr("Could not remove %1: %2")
            .arg(QFile::decodeName(m_entryPath), describeErrno(error));
    }
    return std::nullopt;
}

} // namespace LaunchAtLogin
