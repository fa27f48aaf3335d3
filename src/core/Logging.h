// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLoggingCategory>

// One category per subsystem; they reach stderr or the journal through Qt.
Q_DECLARE_LOGGING_CATEGORY(lcSettings)
Q_DECLARE_LOGGING_CATEGORY(lcShelf)
Q_DECLARE_LOGGING_CATEGORY(lcPreview)
Q_DECLARE_LOGGING_CATEGORY(lcApp)
Q_DECLARE_LOGGING_CATEGORY(lcUpdates)
Q_DECLARE_LOGGING_CATEGORY(lcShortcuts)
Q_DECLARE_LOGGING_CATEGORY(lcLaunchAtLogin)
