// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <functional>
#include <optional>

namespace vantry {

// The folder chooser the shelf asks for a new folder. The real one is a
// non-modal file dialog (FileDialogFolderChooser); tests use a fake.
class FolderChooser
{
public:
    /// Receives the chosen folder's absolute path bytes, or nothing when the user cancelled.
    using Done = std::function<void(std::optional<QByteArray> folderPath)>;

    virtual ~FolderChooser() = default;

    /// Shows the chooser in front without blocking; calls done once when it closes.
    virtual void chooseFolder(Done done) = 0;
};

} // namespace vantry
