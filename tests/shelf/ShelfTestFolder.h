// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shelf/ShelfItem.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QTemporaryDir>
#include <QTest>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantry {

// A throwaway folder whose entries the tests create by their raw name bytes.
class ShelfTestFolder
{
public:
    ShelfTestFolder() { QVERIFY(m_dir.isValid()); }
    // QTemporaryDir removes by decoded names and cannot reach names that are not UTF-8.
    ~ShelfTestFolder()
    {
        for (const QByteArray &name : entryNames()) {
            if (::unlink(pathOf(name).constData()) != 0)
                ::rmdir(pathOf(name).constData());
        }
    }

    /// The names of the folder's entries, read as bytes.
    QList<QByteArray> entryNames() const
    {
        QList<QByteArray> names;
        DIR *dir = ::opendir(path().constData());
        if (!dir)
            return names;
        while (const dirent *entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            if (name != "." && name != "..")
                names.append(name);
        }
        ::closedir(dir);
        return names;
    }

    QByteArray path() const { return QFile::encodeName(m_dir.path()); }
    QByteArray pathOf(const QByteArray &name) const { return path() + '/' + name; }

    bool addFile(const QByteArray &name, const QByteArray &contents = "x")
    {
        const int fd = ::open(pathOf(name).constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (fd < 0)
            return false;
        const bool ok = ::write(fd, contents.constData(), contents.size()) == contents.size();
        ::close(fd);
        return ok;
    }
    bool addFolder(const QByteArray &name) { return ::mkdir(pathOf(name).constData(), 0755) == 0; }
    bool addLink(const QByteArray &name, const QByteArray &target)
    {
        return ::symlink(target.constData(), pathOf(name).constData()) == 0;
    }
    QByteArray contentsOf(const QByteArray &name) const
    {
        QByteArray contents;
        const int fd = ::open(pathOf(name).constData(), O_RDONLY);
        if (fd < 0)
            return contents;
        char buffer[4096];
        ssize_t n;
        while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
            contents.append(buffer, n);
        ::close(fd);
        return contents;
    }
    bool exists(const QByteArray &name) const
    {
        struct stat st;
        return ::lstat(pathOf(name).constData(), &st) == 0;
    }

private:
    QTemporaryDir m_dir;
};

// The items' file names, in order.
inline QList<QByteArray> namesOf(const QList<ShelfItem> &items)
{
    QList<QByteArray> names;
    for (const ShelfItem &item : items)
        names.append(item.fileName());
    return names;
}

} // namespace vantry
