// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QUrl>

namespace vantry {

// One release offered by the update feed.
struct AppcastItem
{
    QString title;
    /// Machine version compared against ours ("sparkle:version").
    QString version;
    /// Version shown to people ("sparkle:shortVersionString"); may be empty.
    QString shortVersionString;
    /// HTTPS page describing the release; may be empty.
    QUrl releaseNotesUrl;
    /// HTTPS address of the download.
    QUrl enclosureUrl;
    /// Size of the download in bytes as the feed states it; -1 when unknown.
    qint64 enclosureLength = -1;

    /// The version text for people: the short version when given, else the version.
    QString displayVersionString() const
    {
        return shortVersionString.isEmpty() ? version : shortVersionString;
    }

    friend bool operator==(const AppcastItem &, const AppcastItem &) = default;
};

} // namespace vantry
