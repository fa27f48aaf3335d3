// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QUrl>

namespace vantry::UpdateUrlPolicy {

/// 127.0.0.0/8, ::1 (also as ::ffff:127.x.y.z) and "localhost".
bool isLoopbackHost(const QString &host);

/// Downloads and release notes are opened only over HTTPS.
bool isAllowed(const QUrl &url);

/// The feed is fetched over HTTPS too; builds with tests also fetch plain HTTP from a
/// loopback host, where the tests serve their feeds.
bool isAllowedFeed(const QUrl &url);

} // namespace vantry::UpdateUrlPolicy
