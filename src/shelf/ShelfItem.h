// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHashFunctions>
#include <QString>
#include <QUrl>

namespace vantry {

// One entry of the shelf folder. File names are bytes on Linux, so the item
// keeps the exact path bytes the listing produced; everything that touches the
// file uses them, and only display goes through a decoding.
// Equality and hashing use the path alone; items never change after creation.
class ShelfItem
{
public:
    ShelfItem() = default;
    ShelfItem(QByteArray path, bool isDirectory)
        : m_path(std::move(path))
        , m_isDirectory(isDirectory)
    { }

    /// Absolute path bytes, exactly as listed (folder path + "/" + entry name).
    const QByteArray &path() const { return m_path; }
    bool isDirectory() const { return m_isDirectory; }

    /// The file URL of the path, percent-encoded from the raw bytes (lossless).
    QUrl url() const;
    /// The last path component's bytes.
    QByteArray fileName() const;
    /// The last path component decoded for display only.
    QString displayName() const;

    friend bool operator==(const ShelfItem &a, const ShelfItem &b) { return a.m_path == b.m_path; }
    friend bool operator!=(const ShelfItem &a, const ShelfItem &b) { return !(a == b); }
    friend size_t qHash(const ShelfItem &item, size_t seed = 0) { return qHash(item.m_path, seed); }

private:
    QByteArray m_path;
    bool m_isDirectory = false;
};

} // namespace vantry
