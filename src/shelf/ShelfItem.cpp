// SPDX-License-Identifier: GPL-3.0-or-later
#include "shelf/ShelfItem.h"

#include "shelf/FileOperations.h"

#include "core/FileNameText.h"

namespace vantry {

QUrl ShelfItem::url() const
{
    return fileUrlFromPath(m_path);
}

QByteArray ShelfItem::fileName() const
{
    return lastComponent(m_path);
}

QString ShelfItem::displayName() const
{
    return fileNameText(fileName());
}

} // namespace vantry
