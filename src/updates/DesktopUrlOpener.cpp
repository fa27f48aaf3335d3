// SPDX-License-Identifier: GPL-3.0-or-later
#include "updates/DesktopUrlOpener.h"

#include "core/Logging.h"

#include <QDesktopServices>

namespace vantry {

bool DesktopUrlOpener::openUrl(const QUrl &url)
{
    const bool opened = QDesktopServices::openUrl(url);
    if (!opened)
        qCWarning(lcUpdates) << "The desktop could not open" << url.toDisplayString();
    return opened;
}

} // namespace vantry
