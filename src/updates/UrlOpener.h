// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QUrl>

namespace vantry {

// Hands an address to the desktop (browser, download handler).
class UrlOpener
{
public:
    virtual ~UrlOpener() = default;
    /// Whether the desktop accepted the address.
    virtual bool openUrl(const QUrl &url) = 0;
};

} // namespace vantry
