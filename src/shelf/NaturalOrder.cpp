// SPDX-License-Identifier: GPL-3.0-or-later
#include "shelf/NaturalOrder.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QFile>
#include <QString>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

using namespace Qt::StringLiterals;

namespace vantry {

namespace {

// Ranks of ASCII characters in our own key. They follow the root collation of
// Unicode (CLDR), so the order is the same with and without ICU for ASCII
// names: spaces, punctuation and symbols, then digits, then letters without
// case. Control characters are ignored, as there. Bytes from 0x80 up keep
// their value, so they sort after ASCII by code point.
constexpr char punctuationOrder[] = "\t\n\v\f\r _-,;:!?.'\"()[]{}@*/\\&#%`^+<=>|~$";
constexpr unsigned char ignored = 0;

constexpr std::array<unsigned char, 128> makeRanks()
{
    std::array<unsigned char, 128> ranks {};
    unsigned char next = 1;
    for (const char *p = punctuationOrder; *p; ++p)
        ranks[static_cast<unsigned char>(*p)] = next++;
    ranks['0'] = next++; // digit runs, see appendKey
    for (int c = 'a'; c <= 'z'; ++c) {
        ranks[c] = next;
        ranks[c - 'a' + 'A'] = next++;
    }
    return ranks;
}
constexpr std::array<unsigned char, 128> ranks = makeRanks();
constexpr char digitRun = static_cast<char>(ranks['0']);

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Appends the key of an ASCII/byte name: a digit run becomes the digit
// marker, the count of its significant digits and those digits, so that it
// compares by numeric value (names are at most 255 bytes, the count fits).
void appendKey(QByteArray &key, const char *name, qsizetype length)
{
    for (qsizetype i = 0; i < length;) {
        const char c = name[i];
        if (isDigit(c)) {
            qsizetype start = i;
            while (i < length && isDigit(name[i]))
                ++i;
            while (start < i - 1 && name[start] == '0')
                ++start;
            if (name[start] == '0')
                ++start; // a zero value has no significant digit
            const qsizetype digits = std::min<qsizetype>(i - start, 255);
            key.append(digitRun).append(char(digits)).append(name + start, digits);
            continue;
        }
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80)
            key.append(c);
        else if (ranks[byte] != ignored)
            key.append(char(ranks[byte]));
        ++i;
    }
}

bool isAscii(const QByteArray &name)
{
    return std::all_of(
        name.cbegin(), name.cend(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Our own key for a name. Valid UTF-8 beyond ASCII is case-folded first.
QByteArray byteKey(const QByteArray &name)
{
    QByteArray key;
    key.reserve(name.size() + 8);
    if (isAscii(name)) {
        appendKey(key, name.constData(), name.size());
        return key;
    }
    const QString decoded = QString::fromUtf8(name);
    const QByteArray folded
        = decoded.contains(QChar::ReplacementCharacter) ? name : decoded.toCaseFolded().toUtf8();
    appendKey(key, folded.constData(), folded.size());
    return key;
}

// The last resort between names that compare the same: byte by byte, a
// lowercase ASCII letter before its uppercase form (as the locale orders them).
int tieBreak(const QByteArray &a, const QByteArray &b)
{
    auto swapCase = [](char c) {
        if (c >= 'a' && c <= 'z')
            return static_cast<unsigned char>(c - 'a' + 'A');
        if (c >= 'A' && c <= 'Z')
            return static_cast<unsigned char>(c - 'A' + 'a');
        return static_cast<unsigned char>(c);
    };
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned char x = swapCase(a[i]);
        const unsigned char y = swapCase(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

QByteArray fileNameOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? path : path.mid(slash + 1);
}

// The first eight key bytes as a big-endian number decide most comparisons
// without touching the rest of the key.
quint64 prefixOf(const QByteArray &key)
{
    quint64 prefix = 0;
    const qsizetype n = std::min<qsizetype>(key.size(), 8);
    for (qsizetype i = 0; i < 8; ++i)
        prefix = (prefix << 8) | (i < n ? static_cast<unsigned char>(key[i]) : 0u);
    return prefix;
}

} // namespace

struct NaturalOrder::Private
{
    std::optional<QCollator> collator;
};

NaturalOrder::NaturalOrder(const QLocale &locale)
    : d(std::make_unique<Private>())
{
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setIgnorePunctuation(false);
    // Without ICU, and in the C locale even with it, QCollator compares code
    // points and ignores numeric mode: then our own keys do the work.
    const bool works = collator.compare(u"file2"_s, u"file10"_s) < 0
        && collator.compare(u"a.txt"_s, u"B.txt"_s) < 0 && collator.compare(u"a"_s, u"A"_s) == 0;
    if (works)
        d->collator.emplace(std::move(collator));
}

NaturalOrder::~NaturalOrder() = default;

bool NaturalOrder::usesLocaleCollation() const
{
    return d->collator.has_value();
}

int NaturalOrder::compare(const QByteArray &a, const QByteArray &b) const
{
    int order = 0;
    if (d->collator) {
        order = d->collator->compare(QFile::decodeName(a), QFile::decodeName(b));
    } else {
        const QByteArray ka = byteKey(a);
        const QByteArray kb = byteKey(b);
        order = ka.compare(kb);
    }
    if (order != 0)
        return order < 0 ? -1 : 1;
    return tieBreak(a, b);
}

QList<ShelfItem> NaturalOrder::sorted(const QList<ShelfItem> &items) const
{
    const qsizetype count = items.size();
    std::vector<QByteArray> names;
    names.reserve(count);
    for (const ShelfItem &item : items)
        names.push_back(fileNameOf(item.path()));

    std::vector<qsizetype> order(count);
    for (qsizetype i = 0; i < count; ++i)
        order[i] = i;

    // Equal keys fall back to the names, then to the listing position, which
    // makes the sort stable.
    auto settle = [&](qsizetype a, qsizetype b) {
        const int tie = tieBreak(names[a], names[b]);
        return tie != 0 ? tie < 0 : a < b;
    };

    if (d->collator) {
        std::vector<QCollatorSortKey> keys;
        keys.reserve(count);
        for (const QByteArray &name : names)
            keys.push_back(d->collator->sortKey(QFile::decodeName(name)));
        std::sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
            const int c = keys[a].compare(keys[b]);
            return c != 0 ? c < 0 : settle(a, b);
        });
    } else {
        struct Key
        {
            quint64 prefix;
            QByteArray bytes;
        };
        std::vector<Key> keys;
        keys.reserve(count);
        for (const QByteArray &name : names) {
            QByteArray bytes = byteKey(name);
            const quint64 prefix = prefixOf(bytes);
            keys.push_back({ prefix, std::move(bytes) });
        }
        std::sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
            const Key &ka = keys[a];
            const Key &kb = keys[b];
            if (ka.prefix != kb.prefix)
                return ka.prefix < kb.prefix;
            const int c = ka.bytes.compare(kb.bytes);
            return c != 0 ? c < 0 : settle(a, b);
        });
    }

    QList<ShelfItem> result;
    result.reserve(count);
    for (qsizetype i : order)
        result.append(items[i]);
    return result;
}

QList<ShelfItem> displayOrder(const QList<ShelfItem> &items)
{
    static const NaturalOrder order; // the user's collation locale, fixed for the process
    return order.sorted(items);
}

} // namespace vantry
