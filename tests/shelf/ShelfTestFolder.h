// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shelf/ShelfItem.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <iterator>

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
        std::error_code ignored;
        std::filesystem::remove_all(path().toStdString(), ignored);
    }

    /// How many entries the folder holds.
    qsizetype entryCount() const
    {
        const std::filesystem::directory_iterator entries(path().toStdString());
        return std::distance(begin(entries), end(entries));
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
    /// Writes the file name, replacing one there, and returns its path.
    QByteArray write(const QByteArray &name, const QByteArray &contents) const
    {
        const QByteArray path = pathOf(name);
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0 || ::write(fd, contents.constData(), contents.size()) != contents.size()
            || ::close(fd) != 0)
            qFatal("cannot write %s", path.constData());
        return path;
    }
    bool addFolder(const QByteArray &name) { return ::mkdir(pathOf(name).constData(), 0755) == 0; }
    bool addLink(const QByteArray &name, const QByteArray &target)
    {
        return ::symlink(target.constData(), pathOf(name).constData()) == 0;
    }
    QByteArray contentsOf(const QByteArray &name) const
    {
        std::ifstream file(pathOf(name).toStdString(), std::ios::binary);
        return QByteArray::fromStdString({ std::istreambuf_iterator<char>(file), {} });
    }
    bool exists(const QByteArray &name) const
    {
        return std::filesystem::exists(std::filesystem::symlink_status(pathOf(name).toStdString()));
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
