// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace vantry {

// File names are bytes. For display and editing a name becomes text in which every byte
// that is not part of valid UTF-8, and every control character, shows as a visible
// "\xHH" escape, so two names never look alike unless they are alike. Going back, the
// original bytes are kept wherever the user left the text as it was.

/// The name (one path component, or a whole path) as text to show or edit.
QString fileNameText(const QByteArray &name);

/// The bytes of the name the user typed when the field started as fileNameText(original)
/// and now holds edited: the runs of the original text left as they were keep their
/// original bytes, what was typed is UTF-8. Typed white space and newlines at both ends
/// are dropped; the result is empty when nothing else is left.
QByteArray fileNameFromEdit(const QByteArray &original, const QString &edited);

} // namespace vantry
