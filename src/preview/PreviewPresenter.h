// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/PreviewSide.h"

#include <QByteArray>

class QWidget;

namespace vantry {

// What the shelf needs of the preview panel; SlidePanelPreview is the real one,
// tests use a recording fake.
class PreviewPresenter
{
public:
    virtual ~PreviewPresenter() = default;

    /// Previews the file at path (raw bytes) in a panel of width x height placed beside anchor.
    virtual void show(
        const QByteArray &path, QWidget *anchor, PreviewSide side, int width, int height)
        = 0;
    /// Hides the panel without destroying it, if there is one.
    virtual void hide() = 0;
};

} // namespace vantry
