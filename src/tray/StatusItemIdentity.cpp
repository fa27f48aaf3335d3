// SPDX-License-Identifier: GPL-3.0-or-later
#include "tray/StatusItemIdentity.h"

using namespace Qt::StringLiterals;

namespace MenuBarExtraAccess {

std::int64_t StatusItemIdentity::indexValue() const
{
    const auto *i = std::get_if<std::int64_t>(&m_value);
    return i ? *i : 0;
}

QString StatusItemIdentity::idValue() const
{
    const auto *s = std::get_if<QString>(&m_value);
    return s ? *s : QString();
}

QString StatusItemIdentity::description() const
{
    if (kind() == Kind::Index)
        return u"index "_s + QString::number(indexValue());
    return u"ID \""_s + idValue() + u'"';
}

size_t qHash(const StatusItemIdentity &identity, size_t seed) noexcept
{
    QtPrivate::QHashCombine combine;
    seed = combine(seed, static_cast<int>(identity.kind()));
    if (identity.kind() == StatusItemIdentity::Kind::Index)
        return combine(seed, static_cast<qint64>(identity.indexValue()));
    return combine(seed, identity.idValue());
}

} // namespace MenuBarExtraAccess
