// SPDX-License-Identifier: GPL-3.0-or-later
#include "updates/UpdateUrlPolicy.h"

#include <QHostAddress>

using namespace Qt::StringLiterals;

namespace vantry::UpdateUrlPolicy {

bool isLoopbackHost(const QString &host)
{
    if (host.compare("localhost"_L1, Qt::CaseInsensitive) == 0)
        return true;
    QHostAddress address;
    if (!address.setAddress(host))
        return false;
    bool mapped = false;
    const quint32 v4 = address.toIPv4Address(&mapped);
    if (mapped)
        return (v4 >> 24) == 127;
    return address.isLoopback();
}

namespace {
bool isPlausible(const QUrl &url)
{
    return url.isValid() && !url.host().isEmpty() && url.userInfo().isEmpty();
}
} // namespace

bool isAllowed(const QUrl &url)
{
    return isPlausible(url) && url.scheme().compare("https"_L1, Qt::CaseInsensitive) == 0;
}

bool isAllowedFeed(const QUrl &url)
{
#ifdef VANTRY_LOOPBACK_FEEDS
    if (isPlausible(url) && url.scheme().compare("http"_L1, Qt::CaseInsensitive) == 0)
        return isLoopbackHost(url.host());
#endif
    return isAllowed(url);
}

} // namespace vantry::UpdateUrlPolicy
