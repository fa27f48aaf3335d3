// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shelf/FolderChooser.h"

#include <QPointer>

#include <memory>

class QFileDialog;

namespace vantry {

// The desktop's folder chooser: a non-modal file dialog in directory mode,
// brought to the front. Qt uses the desktop portal's chooser where there is one.
class FileDialogFolderChooser final : public FolderChooser
{
public:
    FileDialogFolderChooser() = default;
    ~FileDialogFolderChooser() override;

    /// Only one dialog is open at a time: asking again raises it and takes over its answer.
    void chooseFolder(Done done) override;

private:
    QPointer<QFileDialog> m_dialog;
    std::shared_ptr<Done> m_done;
};

} // namespace vantry
