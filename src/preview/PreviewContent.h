// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QList>
#include <QSize>
#include <QString>

#include <memory>
#include <utility>

namespace vantry {

// An open file descriptor that closes itself unless taken over.
class FileHandle
{
public:
    FileHandle() = default;
    explicit FileHandle(int fd)
        : m_fd(fd)
    { }
    FileHandle(FileHandle &&other) noexcept
        : m_fd(std::exchange(other.m_fd, -1))
    { }
    FileHandle &operator=(FileHandle &&other) noexcept;
    FileHandle(const FileHandle &) = delete;
    FileHandle &operator=(const FileHandle &) = delete;
    ~FileHandle();

    int fd() const { return m_fd; }
    bool isValid() const { return m_fd >= 0; }
    /// Gives the descriptor to the caller, who closes it from now on.
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd = -1;
};

// How large the panel shows content, in device pixels.
struct PreviewFit
{
    QSize image; // pictures are scaled down to fit inside
    int pageWidth = 0; // document pages are rendered this wide
};

// What the preview shows for one file, prepared off the main thread.
struct PreviewContent
{
    enum class Kind { image, animatedImage, text, pdf, other };

    Kind kind = Kind::other;
    QByteArray path;
    QString displayName;
    QString mimeType;
    QString mimeComment; // the kind, in the user's language
    bool isDirectory = false;
    bool isLink = false; // the path is a symbolic link; the rest describes its target
    QString linkTarget; // isLink: the link's text, for display
    qint64 size = -1; // -1 when not a regular file
    QDateTime modified;

    QImage image; // image: decoded, already scaled to fit
    std::shared_ptr<FileHandle> movieFile; // animatedImage: the open file for the player
    QSize movieSize; // animatedImage: frame size scaled to fit
    QString text; // text: the decoded beginning of the file
    bool truncated = false; // text: the file is longer than what was read
    bool latin1 = false; // text: not valid UTF-8, decoded as Latin-1
    QList<QImage> pages; // pdf: the first pages, rendered at the page width
    int pageCount = 0; // pdf: pages in the document
};

} // namespace vantry
