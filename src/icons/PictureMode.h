// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace vantry {

/// True when VANTRY_PICTURE_MODE is "1": tiles and the rename field then show our
/// own symbols instead of theme file icons, which keeps pictures stable across machines.
/// Read afresh on every call.
bool pictureModeEnabled();

} // namespace vantry
