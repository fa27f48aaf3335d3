// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/icons/DesignPreviewHost.h"

#include <QByteArray>

namespace vantry {

bool runningInDesignPreviewHost()
{
    return qgetenv("XCODE_RUNNING_FOR_PREVIEWS") == "1";
}

} // namespace vantry
