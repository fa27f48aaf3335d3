// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QUrl>

namespace vantry::UpdateUrlPolicy {

/// 127.0.0.0/8, ::1 (also as ::ffff:127.x.y.z) and "localhost".
bool isLoopbackHost(const QString &host);

/// Feeds, downloads and release notes are fetched or opened only over HTTPS;
/// plain HTTP only to a loopback host, which the tests use.
bool isAllowed(const QUrl &url);

} // namespace vantry::UpdateUrlPolicy
