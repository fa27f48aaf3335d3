// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/AppInfo.h"

#include "platform/AppInfoConfig.h"

namespace vantry::AppInfo {

QString infoValue(QStringView key)
{
    if (key == u"CFBundleName")
        return QStringLiteral(VANTRY_NAME);
    if (key == u"CFBundleDisplayName")
        return QStringLiteral(VANTRY_DISPLAY_NAME);
    if (key == u"CFBundleShortVersionString" || key == u"CFBundleVersion")
        return QStringLiteral(VANTRY_VERSION);
    if (key == u"CFBundleIdentifier")
        return QStringLiteral(VANTRY_APP_ID);
    return {};
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
