// SPDX-License-Identifier: GPL-3.0-or-later
#include "updates/VersionComparator.h"

#include <QList>

namespace vantry {

namespace {

struct Part
{
    bool numeric = false;
    QStringView text; // digits without leading zeros, or a run of letters
};

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

QStringView stripped(QStringView v)
{
    v = v.trimmed();
    if (const qsizetype plus = v.indexOf(u'+'); plus >= 0)
        v = v.first(plus);
    if (v.size() >= 2 && (v[0] == u'v' || v[0] == u'V') && isDigit(v[1]))
        v = v.sliced(1);
    return v;
}

// Digit runs become numbers, letter runs words; everything else only separates.
QList<Part> split(QStringView v)
{
    QList<Part> parts;
    qsizetype i = 0;
    while (i < v.size()) {
        const QChar c = v[i];
        if (isDigit(c)) {
            qsizetype end = i;
            while (end < v.size() && isDigit(v[end]))
                ++end;
            qsizetype start = i;
            while (start + 1 < end && v[start] == u'0')
                ++start;
            parts.append({ true, v.sliced(start, end - start) });
            i = end;
        } else if (c.isLetter()) {
            qsizetype end = i;
            while (end < v.size() && v[end].isLetter())
                ++end;
            parts.append({ false, v.sliced(i, end - i) });
            i = end;
        } else {
            ++i;
        }
    }
    return parts;
}

// Numbers of any length, without converting them (feeds may hold absurd ones).
std::strong_ordering compareNumbers(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return a.size() <=> b.size();
    return a.compare(b) <=> 0;
}

bool isZero(const Part &p)
{
    return p.numeric && p.text == u"0";
}

} // namespace

std::strong_ordering compareVersions(QStringView a, QStringView b)
{
    const QList<Part> left = split(stripped(a));
    const QList<Part> right = split(stripped(b));
    const qsizetype common = std::min(left.size(), right.size());
    for (qsizetype i = 0; i < common; ++i) {
        const Part &l = left[i];
        const Part &r = right[i];
        if (l.numeric && r.numeric) {
            if (auto c = compareNumbers(l.text, r.text); c != 0)
                return c;
        } else if (l.numeric != r.numeric) {
            // 1.2.1 is newer than 1.2beta: a number outranks a pre-release word.
            return l.numeric ? std::strong_ordering::greater : std::strong_ordering::less;
        } else if (const int c = l.text.compare(r.text, Qt::CaseInsensitive); c != 0) {
            return c <=> 0;
        }
    }
    // The longer one decides by its first part that is not a trailing zero:
    // a number makes it newer (1.2.1 > 1.2), a word makes it a pre-release (1.2b < 1.2).
    const QList<Part> &longer = left.size() > right.size() ? left : right;
    const auto sign
        = left.size() > right.size() ? std::strong_ordering::greater : std::strong_ordering::less;
    const auto flipped
        = left.size() > right.size() ? std::strong_ordering::less : std::strong_ordering::greater;
    for (qsizetype i = common; i < longer.size(); ++i) {
        if (isZero(longer[i]))
            continue;
        return longer[i].numeric ? sign : flipped;
    }
    return std::strong_ordering::equal;
}

} // namespace vantry
