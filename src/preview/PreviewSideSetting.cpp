// SPDX-License-Identifier: GPL-3.0-or-later
#include "preview/PreviewSideSetting.h"

#include "platform/UserDefaults.h"

using namespace Qt::StringLiterals;

namespace vantry {

PreviewSide readPreviewSide(const UserDefaults &defaults)
{
    // string() is null for absent keys and byte values; both read as the default side.
    return previewSideFromStored(defaults.string(QString::fromLatin1(previewSideKey)));
}

void writePreviewSide(UserDefaults &defaults, PreviewSide side)
{
    defaults.setValue(QString::fromLatin1(previewSideKey), rawValue(side));
}

} // namespace vantry
