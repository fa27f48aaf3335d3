// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/PreviewSide.h"

#include <QByteArray>
#include <QDateTime>
#include <QLatin1StringView>
#include <QString>

namespace vantry {

class UserDefaults;

// Every key the application keeps in its settings store, with its default, and a
// typed accessor for each. The shortcut module keeps its own keys,
// "KeyboardShortcuts_<name>" (the shortcut as JSON, or false when removed); their
// format belongs to that module.
enum class Setting {
    FolderBookmark, ///< "user_selected_dir": the chosen folder's bookmark; none by default.
    PreviewSide, ///< "preview.side": "left" or "right"; "right" by default.
    LastUpdateCheck, ///< "updates.lastCheckTime": UTC, ISO 8601 with milliseconds; never.
};

/// The key a setting is stored under.
QLatin1StringView settingKey(Setting setting);

class Settings
{
public:
    explicit Settings(UserDefaults &store);

    UserDefaults &store() const { return m_store; }

    /// Whether key (as UserDefaults::valueChanged reports it) is setting's key.
    static bool isKey(const QString &key, Setting setting);

    /// The chosen folder's bookmark; a null QByteArray when none was chosen.
    QByteArray folderBookmark() const;
    void setFolderBookmark(const QByteArray &bookmark);

    /// The stored raw value, "right" when absent (an unknown string stays as stored).
    QString previewSideRaw() const;
    /// The stored side: "left" is left, anything else right.
    PreviewSide previewSide() const;
    void setPreviewSide(PreviewSide side);

    /// When the update feed was last checked; invalid when never.
    QDateTime lastUpdateCheck() const;
    void setLastUpdateCheck(const QDateTime &when);

private:
    UserDefaults &m_store;
};

} // namespace vantry
