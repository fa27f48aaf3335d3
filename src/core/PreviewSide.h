// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <array>
#include <optional>

namespace vantry {

// Which side of the shelf window the preview panel slides out on; the settings
// store keeps its raw value.
enum class PreviewSide { left, right };

inline constexpr std::array<PreviewSide, 2> allPreviewSides { PreviewSide::left,
    PreviewSide::right };

inline QString rawValue(PreviewSide side)
{
    return side == PreviewSide::left ? QStringLiteral("left") : QStringLiteral("right");
}

/// Exactly "left" or "right"; anything else has no side.
inline std::optional<PreviewSide> previewSideFromRaw(QStringView raw)
{
    if (raw == u"left")
        return PreviewSide::left;
    if (raw == u"right")
        return PreviewSide::right;
    return std::nullopt;
}

/// How every reader turns the stored string into a side: "left" is left, all else right.
inline PreviewSide previewSideFromStored(QStringView stored)
{
    return stored == u"left" ? PreviewSide::left : PreviewSide::right;
}

} // namespace vantry
