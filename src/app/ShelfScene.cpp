// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ShelfScene.h"

#include "core/UserDefaults.h"
#include "preview/SlidePanelPreview.h"
#include "shelf/ContentView.h"
#include "shelf/FileDialogFolderChooser.h"
#include "shelf/SecurityScope.h"
#include "shelf/ui/ShelfView.h"

#include <QApplication>

namespace vantry {

struct ShelfScene::Private
{
    explicit Private(std::function<void()> openSettings)
        : content(
            UserDefaults::standard(), SecurityScope::shared(), chooser, SlidePanelPreview::shared(),
            [] { QApplication::beep(); }, [] { return QApplication::activeWindow(); },
            std::move(openSettings))
    { }

    FileDialogFolderChooser chooser;
    ContentView content;
};

ShelfScene::ShelfScene(std::function<void()> openSettings)
    : d(std::make_unique<Private>(std::move(openSettings)))
{ }

ShelfScene::~ShelfScene() = default;

ShelfView *ShelfScene::createView(QWidget *parent)
{
    return new ShelfView(d->content, parent);
}

int ShelfScene::itemCount() const
{
    return static_cast<int>(d->content.items().size());
}

} // namespace vantry
