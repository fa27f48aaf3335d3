// SPDX-License-Identifier: GPL-3.0-or-later
#include "icons/FileIcons.h"

#include <QFile>
#include <QFileIconProvider>
#include <QHash>
#include <QMimeDatabase>

using namespace Qt::StringLiterals;

namespace vantry {

namespace {

const QString directoryType = u"inode/directory"_s;

QHash<QString, QIcon> &cache()
{
    static QHash<QString, QIcon> icons;
    return icons;
}

QIcon themeIcon(const QString &name)
{
    if (name.isEmpty() || !QIcon::hasThemeIcon(name))
        return {};
    return QIcon::fromTheme(name);
}

} // namespace

QMimeType mimeTypeFromName(const QByteArray &path, bool isDirectory)
{
    QMimeDatabase db;
    if (isDirectory)
        return db.mimeTypeForName(directoryType);
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray name = slash < 0 ? path : path.mid(slash + 1);
    // Only the decoded name is handed over, so nothing can reach the disk.
    return db.mimeTypeForFile(QFile::decodeName(name), QMimeDatabase::MatchExtension);
}

QIcon iconForMimeType(const QString &mimeTypeName)
{
    auto &icons = cache();
    auto it = icons.constFind(mimeTypeName);
    if (it != icons.constEnd())
        return *it;

    QIcon icon;
    const QMimeType type = QMimeDatabase().mimeTypeForName(mimeTypeName);
    if (type.isValid()) {
        icon = themeIcon(type.iconName());
        if (icon.isNull())
            icon = themeIcon(type.genericIconName());
    }
    if (icon.isNull()) {
        const QFileIconProvider provider;
        icon = provider.icon(
            mimeTypeName == directoryType ? QFileIconProvider::Folder : QFileIconProvider::File);
    }
    icons.insert(mimeTypeName, icon);
    return icon;
}

QIcon fileIcon(const QByteArray &path, bool isDirectory)
{
    return iconForMimeType(mimeTypeFromName(path, isDirectory).name());
}

} // namespace vantry
