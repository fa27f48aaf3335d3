// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Logging.h"

Q_LOGGING_CATEGORY(lcSettings, "app.vantry.settings", QtInfoMsg)
Q_LOGGING_CATEGORY(lcShelf, "app.vantry.shelf", QtInfoMsg)
Q_LOGGING_CATEGORY(lcPreview, "app.vantry.preview", QtInfoMsg)
Q_LOGGING_CATEGORY(lcApp, "app.vantry.app", QtInfoMsg)
Q_LOGGING_CATEGORY(lcUpdates, "app.vantry.updates", QtInfoMsg)
Q_LOGGING_CATEGORY(lcShortcuts, "app.vantry.KeyboardShortcuts", QtInfoMsg)
Q_LOGGING_CATEGORY(lcLaunchAtLogin, "app.vantry.LaunchAtLogin", QtInfoMsg)
