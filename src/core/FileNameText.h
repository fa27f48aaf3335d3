// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace vantry {

// File names are bytes. For display and editing a name becomes text in which nothing
// hides: a byte that is not part of valid UTF-8, and every control character, shows as
// "\xHH"; a character that is invisible or reorders the text around it (bidi controls,
// zero-width and other format characters, C1 controls, line separators) as "\u{HHHH}",
// as does white space at either end ("\x20" for a space); a backslash shows as "\\".
// Every backslash in the text thus starts an escape, so two names never look alike, and
// reading the text back gives the original bytes.

/// The name (one path component, or a whole path) as text to show or edit.
QString fileNameText(const QByteArray &name);

/// The bytes of the name in the rename field's text: "\\", "\xHH" and "\u{H…}" are read
/// as fileNameText() writes them, so untouched parts keep their exact bytes; any other
/// backslash is a backslash, and what was typed is UTF-8. White space typed at both ends
/// is dropped; the result is empty when nothing else is left.
QByteArray fileNameFromText(const QString &text);

} // namespace vantry
