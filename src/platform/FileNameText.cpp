// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileNameText.h"

#include <QList>

namespace vantry {

namespace {

// One code point of a name, or one byte of it that shows as an escape.
struct Piece
{
    QString text;
    QByteArray bytes;
    bool typed = false; // not from the original name
};

QString escapeOf(unsigned char byte)
{
    return QStringLiteral("\\x") + QString::number(byte, 16).toUpper().rightJustified(2, u'0');
}

bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence at i, or 0 when the byte there starts none
// (overlong forms and surrogates included).
int sequenceLength(const QByteArray &bytes, qsizetype i)
{
    const auto at = [&](qsizetype k) { return static_cast<unsigned char>(bytes.at(k)); };
    const unsigned char lead = at(i);
    int length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > bytes.size())
        return 0;
    if (at(i + 1) < low || at(i + 1) > high)
        return 0;
    for (int k = 2; k < length; ++k) {
        if (!isContinuation(at(i + k)))
            return 0;
    }
    return length;
}

QList<Piece> piecesOf(const QByteArray &name)
{
    QList<Piece> pieces;
    qsizetype i = 0;
    while (i < name.size()) {
        const unsigned char byte = static_cast<unsigned char>(name.at(i));
        const int length = sequenceLength(name, i);
        if (length == 0 || byte < 0x20 || byte == 0x7F) {
            // Control characters show as escapes like undecodable bytes: a newline or a
            // tab in a name stays visible.
            pieces.append({ escapeOf(byte), name.mid(i, 1) });
            ++i;
            continue;
        }
        const QByteArray bytes = name.mid(i, length);
        pieces.append({ QString::fromUtf8(bytes), bytes });
        i += length;
    }
    return pieces;
}

} // namespace

QString fileNameText(const QByteArray &name)
{
    QString text;
    for (const Piece &piece : piecesOf(name))
        text += piece.text;
    return text;
}

QByteArray fileNameFromEdit(const QByteArray &original, const QString &edited)
{
    const QList<Piece> before = piecesOf(original);

    // The pieces left untouched at the start and at the end keep their bytes.
    qsizetype first = 0; // pieces kept at the start
    qsizetype start = 0; // where the typed part begins in edited
    while (first < before.size() && edited.mid(start).startsWith(before.at(first).text)) {
        start += before.at(first).text.size();
        ++first;
    }
    qsizetype last = before.size(); // pieces from here on are kept at the end
    qsizetype end = edited.size(); // where the typed part ends in edited
    while (last > first && end - before.at(last - 1).text.size() >= start
        && QStringView(edited).left(end).endsWith(before.at(last - 1).text)) {
        end -= before.at(last - 1).text.size();
        --last;
    }

    QList<Piece> after = before.mid(0, first);
    const QString typed = edited.mid(start, end - start);
    for (qsizetype i = 0; i < typed.size();) {
        const qsizetype length = typed.at(i).isHighSurrogate() && i + 1 < typed.size()
                && typed.at(i + 1).isLowSurrogate()
            ? 2
            : 1;
        const QString text = typed.mid(i, length);
        after.append({ text, text.toUtf8(), true });
        i += length;
    }
    after += before.mid(last);

    // Only typed white space goes: a name's own leading space, left alone, stays.
    const auto droppable = [](const Piece &piece) {
        return piece.typed && piece.text.size() == 1 && piece.text.at(0).isSpace();
    };
    qsizetype from = 0;
    qsizetype to = after.size();
    while (from < to && droppable(after.at(from)))
        ++from;
    while (to > from && droppable(after.at(to - 1)))
        --to;
    QByteArray bytes;
    for (qsizetype i = from; i < to; ++i)
        bytes += after.at(i).bytes;
    return bytes;
}

} // namespace vantry
