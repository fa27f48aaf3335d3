// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/FileNameText.h"

namespace vantry {

namespace {

QString byteEscape(unsigned char byte)
{
    return QStringLiteral("\\x") + QString::number(byte, 16).toUpper().rightJustified(2, u'0');
}

QString characterEscape(char32_t c)
{
    return QStringLiteral("\\u{") + QString::number(c, 16).toUpper().rightJustified(4, u'0') + u'}';
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

// Characters that draw nothing, or change how their neighbours are drawn: shown plainly
// they would let one name pass for another ("report<U+202E>fdp.sh" reading "reporths.pdf").
bool isHidden(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// The escape at text[i] (a backslash): how long it is and the bytes it stands for, or a
// length of 0 when it is none.
qsizetype readEscape(QStringView text, qsizetype i, QByteArray &bytes)
{
    const QStringView rest = text.sliced(i + 1);
    if (rest.startsWith(u'\\')) {
        bytes += '\\';
        return 2;
    }
    if (rest.size() >= 3 && rest.at(0) == u'x' && hexValue(rest.at(1)) >= 0
        && hexValue(rest.at(2)) >= 0) {
        bytes += char(hexValue(rest.at(1)) * 16 + hexValue(rest.at(2)));
        return 4;
    }
    if (!rest.startsWith(u"u{"))
        return 0;
    const qsizetype close = rest.indexOf(u'}');
    if (close < 3 || close > 8)
        return 0;
    char32_t c = 0;
    for (QChar digit : rest.sliced(2, close - 2)) {
        if (hexValue(digit) < 0)
            return 0;
        c = c * 16 + char32_t(hexValue(digit));
    }
    if (c > 0x10FFFF || QChar::isSurrogate(c))
        return 0;
    bytes += QString::fromUcs4(&c, 1).toUtf8();
    return close + 2;
}

} // namespace

QString fileNameText(const QByteArray &name)
{
    QString text;
    qsizetype i = 0;
    while (i < name.size()) {
        const int length = sequenceLength(name, i);
        const unsigned char byte = static_cast<unsigned char>(name.at(i));
        if (length == 0) {
            text += byteEscape(byte);
            ++i;
            continue;
        }
        const QString piece = QString::fromUtf8(name.constData() + i, length);
        const char32_t c = piece.size() == 2 ? QChar::surrogateToUcs4(piece[0], piece[1])
                                             : piece.at(0).unicode();
        const bool atEnd = i == 0 || i + length == name.size();
        if (c == u'\\')
            text += QStringLiteral("\\\\");
        else if (isHidden(c) || (atEnd && QChar::isSpace(c)))
            text += c < 0x80 ? byteEscape(byte) : characterEscape(c);
        else
            text += piece;
        i += length;
    }
    return text;
}

QByteArray fileNameFromText(const QString &text)
{
    // The name's own white space at the ends shows escaped: plain white space there
    // was typed.
    const QString trimmed = text.trimmed();
    const QStringView view(trimmed);
    QByteArray bytes;
    qsizetype i = 0;
    while (i < view.size()) {
        if (view.at(i) == u'\\') {
            if (const qsizetype length = readEscape(view, i, bytes)) {
                i += length;
                continue;
            }
        }
        qsizetype next = view.indexOf(u'\\', i + 1);
        if (next < 0)
            next = view.size();
        bytes += view.sliced(i, next - i).toUtf8();
        i = next;
    }
    return bytes;
}

} // namespace vantry
