// SPDX-License-Identifier: GPL-3.0-or-later
#include "icons/PictureMode.h"

#include <QByteArray>

namespace vantry {

bool pictureModeEnabled()
{
    return qgetenv("VANTRY_PICTURE_MODE") == "1";
}

} // namespace vantry
