// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/AppInfo.h"

#include "core/AppInfoConfig.h"

namespace vantry::AppInfo {

QString name()
{
    return QStringLiteral(VANTRY_NAME);
}

QString displayName()
{
    return QStringLiteral(VANTRY_DISPLAY_NAME);
}

QString appId()
{
    return QStringLiteral(VANTRY_APP_ID);
}

QString version()
{
    return QStringLiteral(VANTRY_VERSION);
}

bool selfUpdateEnabled()
{
    return VANTRY_SELF_UPDATE;
}

QString feedUrl()
{
    return QStringLiteral(VANTRY_FEED_URL);
}

} // namespace vantry::AppInfo
