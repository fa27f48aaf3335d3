// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "updates/AppcastItem.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QList>
#include <QString>

#include <optional>

namespace vantry {

// Reads an update feed: an RSS 2.0 document whose channel items carry
// sparkle:version, sparkle:shortVersionString, sparkle:releaseNotesLink and
// an enclosure. The feed comes from the network, so it is treated as hostile:
// documents with a DTD or entity references are refused (nothing is ever
// expanded or fetched); size, nesting, elements and attributes are bounded, so
// any feed under the size cap is read in a few milliseconds; items that lack a
// usable version or an HTTPS download are left out rather than guessed at.
// parse() is reentrant: the updater runs it on a worker thread.
class AppcastParser
{
    Q_DECLARE_TR_FUNCTIONS(vantry::AppcastParser)

public:
    static constexpr qsizetype MaximumSize = 1024 * 1024;
    static constexpr int MaximumDepth = 32;
    static constexpr qsizetype MaximumVersionLength = 64;
    static constexpr int MaximumElements = 50000;
    static constexpr int MaximumAttributes = 64; // on one element
    static constexpr int MaximumNamespaceDeclarations = 32; // in the whole feed

    struct Result
    {
        QList<AppcastItem> items; // in feed order
        QString error; // empty when the feed was read

        bool ok() const { return error.isEmpty(); }
    };

    static Result parse(const QByteArray &document);

    /// The item newer than currentVersion with the highest version, if any.
    static std::optional<AppcastItem> bestUpdate(
        const QList<AppcastItem> &items, const QString &currentVersion);
};

} // namespace vantry
