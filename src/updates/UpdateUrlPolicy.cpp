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

bool isAllowed(const QUrl &url)
{
    if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty())
        return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == "https"_L1)
        return true;
    return scheme == "http"_L1 && isLoopbackHost(url.host());
}

} // namespace vantry::UpdateUrlPolicy
