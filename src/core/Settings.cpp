// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Settings.h"

#include "core/UserDefaults.h"

using namespace Qt::StringLiterals;

namespace vantry {

QLatin1StringView settingKey(Setting setting)
{
    switch (setting) {
    case Setting::FolderBookmark:
        return "user_selected_dir"_L1;
    case Setting::PreviewSide:
        return "preview.side"_L1;
    case Setting::LastUpdateCheck:
        return "updates.lastCheckTime"_L1;
    }
    Q_UNREACHABLE();
    return {};
}

Settings::Settings(UserDefaults &store)
    : m_store(store)
{ }

bool Settings::isKey(const QString &key, Setting setting)
{
    return key == settingKey(setting);
}

QByteArray Settings::folderBookmark() const
{
    return m_store.data(settingKey(Setting::FolderBookmark));
}

void Settings::setFolderBookmark(const QByteArray &bookmark)
{
    m_store.setValue(settingKey(Setting::FolderBookmark), bookmark);
}

QString Settings::previewSideRaw() const
{
    // string() is null for absent keys and byte values; both read as the default side.
    const QString stored = m_store.string(settingKey(Setting::PreviewSide));
    return stored.isNull() ? rawValue(PreviewSide::right) : stored;
}

PreviewSide Settings::previewSide() const
{
    return previewSideFromStored(previewSideRaw());
}

void Settings::setPreviewSide(PreviewSide side)
{
    m_store.setValue(settingKey(Setting::PreviewSide), rawValue(side));
}

QDateTime Settings::lastUpdateCheck() const
{
    const QString stored = m_store.string(settingKey(Setting::LastUpdateCheck));
    const QDateTime date = QDateTime::fromString(stored, Qt::ISODateWithMs);
    return date.isValid() ? date.toUTC() : QDateTime();
}

void Settings::setLastUpdateCheck(const QDateTime &when)
{
    m_store.setValue(
        settingKey(Setting::LastUpdateCheck), when.toUTC().toString(Qt::ISODateWithMs));
}

} // namespace vantry
