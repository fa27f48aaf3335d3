// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringView>

#include <compare>

namespace vantry {

// Orders version texts the way update feeds mean them: digit runs compare as
// numbers (1.10 is newer than 1.9), missing trailing zeros do not count
// (1.2 equals 1.2.0), and a textual suffix marks a pre-release that is older
// than the release itself (1.2-beta1 < 1.2 < 1.2.1). Letters compare without
// regard to case, so alpha < beta < rc. Build metadata after '+' and a leading
// 'v' are ignored.
std::strong_ordering compareVersions(QStringView a, QStringView b);

} // namespace vantry
