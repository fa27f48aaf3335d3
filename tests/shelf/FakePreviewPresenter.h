// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "preview/PreviewPresenter.h"

#include <QList>

namespace vantry {

// Records what the shelf asked of the preview panel.
class FakePreviewPresenter final : public PreviewPresenter
{
public:
    struct Shown
    {
        QByteArray path;
        QWidget *anchor;
        PreviewSide side;
        int width;
        int height;
    };

    void show(
        const QByteArray &path, QWidget *anchor, PreviewSide side, int width, int height) override
    {
        shown.append({ path, anchor, side, width, height });
    }
    void hide() override { }

    QList<Shown> shown;
};

} // namespace vantry
