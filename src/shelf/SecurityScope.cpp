// SPDX-License-Identifier: GPL-3.0-or-later
#include "shelf/SecurityScope.h"

#include "core/Logging.h"

#include <sys/stat.h>
#include <unistd.h>

namespace vantry {

SecurityScope &SecurityScope::shared()
{
    static SecurityScope instance;
    return instance;
}

bool SecurityScope::canAccessFolder(const QByteArray &path)
{
    if (path.isEmpty() || path.contains('\0'))
        return false;
    struct stat st;
    return ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode)
        && ::access(path.constData(), R_OK | X_OK) == 0;
}

bool SecurityScope::start(const QByteArray &folderPath)
{
    stop();
    if (!canAccessFolder(folderPath)) {
        qCDebug(lcShelf) << "cannot open" << folderPath
                         << "(missing, not a folder, or not readable and searchable)";
        return false;
    }
    m_scopedPath = folderPath;
    qCDebug(lcShelf) << "folder access started" << folderPath;
    return true;
}

void SecurityScope::stop()
{
    if (m_scopedPath)
        qCDebug(lcShelf) << "folder access stopped" << *m_scopedPath;
    m_scopedPath.reset();
}

std::optional<QByteArray> makeBookmark(const QByteArray &folderPath)
{
    if (!folderPath.startsWith('/') || folderPath.contains('\0'))
        return std::nullopt;
    return folderPath;
}

std::optional<QByteArray> resolveBookmark(const QByteArray &bookmark)
{
    return makeBookmark(bookmark);
}

} // namespace vantry
