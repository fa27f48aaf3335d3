// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <optional>

namespace vantry {

// Holds the one folder whose access the app has started, so that at most one
// grant is open at a time and Quit can release it. Linux has no sandbox grant:
// starting access checks that the folder exists, is a directory, and can be
// read and searched, and remembers it.
class SecurityScope final
{
public:
    /// The process-wide holder, created on first use.
    static SecurityScope &shared();

    SecurityScope() = default;
    SecurityScope(const SecurityScope &) = delete;
    SecurityScope &operator=(const SecurityScope &) = delete;

    /// Releases the grant held, then starts access to folderPath; false (and none held) on failure.
    bool start(const QByteArray &folderPath);
    /// Releases the grant held, if any.
    void stop();
    /// The folder whose access is started, if any.
    const std::optional<QByteArray> &scopedPath() const { return m_scopedPath; }

    /// Whether the folder at path exists, is a directory and is readable and searchable.
    static bool canAccessFolder(const QByteArray &path);

private:
    std::optional<QByteArray> m_scopedPath;
};

/// Bookmark data for a folder: its absolute path bytes. Nothing for a relative or empty path.
std::optional<QByteArray> makeBookmark(const QByteArray &folderPath);
/// The folder path a bookmark stands for, or nothing when the data is not a bookmark.
std::optional<QByteArray> resolveBookmark(const QByteArray &bookmark);

} // namespace vantry
