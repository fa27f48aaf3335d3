// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "preview/PreviewSide.h"

namespace vantry {

class UserDefaults;

/// The side stored under "preview.side": "left" is left; absent or anything else is right.
PreviewSide readPreviewSide(const UserDefaults &defaults);

/// Stores side under "preview.side" as its raw value.
void writePreviewSide(UserDefaults &defaults, PreviewSide side);

} // namespace vantry
