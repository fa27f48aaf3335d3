// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "updates/UrlOpener.h"

namespace vantry {

// The desktop's own handler for the address (QDesktopServices).
class DesktopUrlOpener final : public UrlOpener
{
public:
    bool openUrl(const QUrl &url) override;
};

} // namespace vantry
