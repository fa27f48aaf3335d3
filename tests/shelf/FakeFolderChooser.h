// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shelf/FolderChooser.h"

#include <utility>

namespace vantry {

// A chooser that stays open until the test answers for the user.
class FakeFolderChooser final : public FolderChooser
{
public:
    void chooseFolder(Done done) override
    {
        ++opened;
        m_done = std::move(done);
    }

    /// The user picks folderPath and confirms.
    void choose(const QByteArray &folderPath) { finish(folderPath); }
    /// The user cancels.
    void cancel() { finish(std::nullopt); }

    int opened = 0;

private:
    void finish(std::optional<QByteArray> result)
    {
        Done done = std::exchange(m_done, nullptr);
        if (done)
            done(std::move(result));
    }

    Done m_done;
};

} // namespace vantry
