// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

namespace vantry {

/// The settings window, made on first open; the caller owns it.
QWidget *createSettingsWindow();

} // namespace vantry
