// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>

class QWidget;

namespace vantry {

class ContentView;
class ShelfView;

// The drop-down window's content: the shelf state (ContentView) with the services
// it uses, and the widget that shows it. Built on the shelf's first showing.
class ShelfScene final
{
public:
    explicit ShelfScene(std::function<void()> openSettings);
    ~ShelfScene();

    /// The shelf widget, to be owned by parent.
    ShelfView *createView(QWidget *parent);
    /// Number of items listed now.
    int itemCount() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace vantry
