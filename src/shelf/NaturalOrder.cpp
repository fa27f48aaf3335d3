// SPDX-License-Identifier: GPL-3.0-or-later
#include "shelf/NaturalOrder.h"

#include <QString>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include <unicode/ucol.h>
#include <unicode/ustring.h>

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

// Appends the key of a name's bytes: a digit run becomes the digit marker, the
// count of its significant digits and those digits, so that it compares by
// numeric value. A key takes at most three bytes per name byte.
void appendKey(QByteArray &key, const char *name, qsizetype length)
{
    const qsizetype start = key.size();
    key.resize(start + 3 * length);
    char *out = key.data() + start;
    for (qsizetype i = 0; i < length;) {
        const char c = name[i];
        if (isDigit(c)) {
            qsizetype first = i;
            while (i < length && isDigit(name[i]))
                ++i;
            while (first < i && name[first] == '0')
                ++first; // a zero value has no significant digit
            // Names are at most 255 bytes; longer runs only meet us from elsewhere.
            const qsizetype digits = std::min<qsizetype>(i - first, 255);
            *out++ = digitRun;
            *out++ = char(digits);
            std::memcpy(out, name + first, size_t(digits));
            out += digits;
            continue;
        }
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80)
            *out++ = c;
        else if (ranks[byte] != ignored)
            *out++ = char(ranks[byte]);
        ++i;
    }
    key.truncate(out - key.constData());
}

bool isAscii(QByteArrayView name)
{
    return std::all_of(
        name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Appends our own key for a name. Valid UTF-8 beyond ASCII is case-folded first.
void appendByteKey(QByteArray &key, QByteArrayView name)
{
    if (!isAscii(name)) {
        const QString decoded = QString::fromUtf8(name);
        if (!decoded.contains(QChar::ReplacementCharacter)) {
            const QByteArray folded = decoded.toCaseFolded().toUtf8();
            appendKey(key, folded.constData(), folded.size());
            return;
        }
    }
    appendKey(key, name.data(), name.size());
}

// The last resort between names that compare the same: byte by byte, a
// lowercase ASCII letter before its uppercase form (as the locale orders them).
int tieBreak(QByteArrayView a, QByteArrayView b)
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

// The first eight key bytes as a big-endian number decide most comparisons
// without touching the rest of the key.
quint64 prefixOf(const char *key, qsizetype length)
{
    if (length >= 8)
        return qFromBigEndian<quint64>(key);
    quint64 prefix = 0;
    for (qsizetype i = 0; i < 8; ++i)
        prefix = (prefix << 8) | (i < length ? static_cast<unsigned char>(key[i]) : 0u);
    return prefix;
}

// One name in a sort: the eight key bytes at the current depth, big-endian.
struct Entry
{
    quint64 chunk;
    quint32 index;
};
using EntryIterator = std::vector<Entry>::iterator;

// The keys of one sort, kept between sorts so that a new listing reuses
// memory that is already mapped.
struct SortBuffers
{
    QByteArray keys;
    std::vector<qsizetype> offsets; // key i is keys[offsets[i], offsets[i + 1])
    std::vector<Entry> entries;
    std::vector<qsizetype> nameStarts; // where the file name begins in item i's path

    qsizetype length(quint32 index) const { return offsets[index + 1] - offsets[index]; }
    quint64 chunkAt(quint32 index, qsizetype depth) const
    {
        const qsizetype available = length(index) - depth;
        return available > 0 ? prefixOf(keys.constData() + offsets[index] + depth, available) : 0;
    }
};

// A radix-style sort on eight key bytes at a time: the entries stay small and
// compare as numbers, and only names sharing a longer start go on to the next
// eight bytes. Padding a short key with zeros keeps the order, because no key
// byte after the end of a shorter equal key can be zero (ICU keys hold none;
// ours only right after a digit marker, which never ends a key).
void sortFrom(EntryIterator begin, EntryIterator end, qsizetype depth, const SortBuffers &buffers,
    const QList<ShelfItem> &items)
{
    std::sort(begin, end, [](const Entry &a, const Entry &b) { return a.chunk < b.chunk; });
    for (EntryIterator run = begin; run != end;) {
        EntryIterator runEnd = run + 1;
        while (runEnd != end && runEnd->chunk == run->chunk)
            ++runEnd;
        if (runEnd - run > 1) {
            const bool longer = std::any_of(
                run, runEnd, [&](const Entry &e) { return buffers.length(e.index) > depth + 8; });
            if (longer) {
                for (EntryIterator e = run; e != runEnd; ++e)
                    e->chunk = buffers.chunkAt(e->index, depth + 8);
                sortFrom(run, runEnd, depth + 8, buffers, items);
            } else {
                // Equal keys fall back to the names, then to the listing
                // position, which makes the sort stable.
                auto nameOf = [&](quint32 i) {
                    return QByteArrayView(items[i].path()).sliced(buffers.nameStarts[i]);
                };
                std::sort(run, runEnd, [&](const Entry &a, const Entry &b) {
                    const int tie = tieBreak(nameOf(a.index), nameOf(b.index));
                    return tie != 0 ? tie < 0 : a.index < b.index;
                });
            }
        }
        run = runEnd;
    }
}

struct CollatorCloser
{
    void operator()(UCollator *collator) const { ucol_close(collator); }
};
using Collator = std::unique_ptr<UCollator, CollatorCloser>;

// The locale's collator with numeric digit runs and without case (secondary
// strength), or nothing for the C/POSIX locale and where ICU has no collator.
Collator openCollator(const QLocale &locale)
{
    if (locale.language() == QLocale::C)
        return nullptr;
    UErrorCode status = U_ZERO_ERROR;
    Collator collator(ucol_open(locale.name().toLatin1().constData(), &status));
    if (U_FAILURE(status))
        return nullptr;
    // File names are NFC (or NFD, from some other systems); both are in the
    // form ICU collates correctly without normalising first.
    ucol_setAttribute(collator.get(), UCOL_NORMALIZATION_MODE, UCOL_OFF, &status);
    ucol_setAttribute(collator.get(), UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
    ucol_setAttribute(collator.get(), UCOL_STRENGTH, UCOL_SECONDARY, &status);
    if (U_FAILURE(status))
        return nullptr;
    return collator;
}

} // namespace

struct NaturalOrder::Private
{
    Collator collator;
    // Reused between names, so that computing a key allocates nothing.
    std::vector<UChar> utf16;
    SortBuffers buffers;

    // Appends the sort key of a name's bytes to keys.
    void appendKey(QByteArray &keys, QByteArrayView name)
    {
        if (!collator) {
            appendByteKey(keys, name);
            return;
        }
        // File names are shown decoded as UTF-8 with replacement characters;
        // the collator sees them the same way.
        utf16.resize(size_t(name.size()) + 1);
        int32_t length = 0;
        UErrorCode status = U_ZERO_ERROR;
        u_strFromUTF8WithSub(utf16.data(), int32_t(utf16.size()), &length, name.data(),
            int32_t(name.size()), 0xfffd, nullptr, &status);
        if (U_FAILURE(status))
            length = 0;
        const qsizetype start = keys.size();
        qsizetype capacity = 4 * name.size() + 32;
        for (;;) {
            keys.resize(start + capacity);
            const int32_t needed = ucol_getSortKey(collator.get(), utf16.data(), length,
                reinterpret_cast<uint8_t *>(keys.data() + start), int32_t(capacity));
            if (needed <= capacity) {
                // Without the final NUL: ICU keys hold no other zero byte, so
                // comparing by length orders them as strcmp would.
                keys.truncate(start + std::max(needed - 1, 0));
                return;
            }
            capacity = needed;
        }
    }
};

NaturalOrder::NaturalOrder(const QLocale &locale)
    : d(std::make_unique<Private>())
{
    d->collator = openCollator(locale);
}

NaturalOrder::~NaturalOrder() = default;

bool NaturalOrder::usesLocaleCollation() const
{
    return d->collator != nullptr;
}

int NaturalOrder::compare(const QByteArray &a, const QByteArray &b) const
{
    QByteArray ka;
    QByteArray kb;
    d->appendKey(ka, a);
    d->appendKey(kb, b);
    const int order = ka.compare(kb);
    if (order != 0)
        return order < 0 ? -1 : 1;
    return tieBreak(a, b);
}

QList<ShelfItem> NaturalOrder::sorted(const QList<ShelfItem> &items) const
{
    const qsizetype count = items.size();
    SortBuffers &buffers = d->buffers;
    // Give back what a far larger listing left behind.
    if (buffers.entries.capacity() > 4 * size_t(count) + 65536)
        buffers = SortBuffers();
    // Every key is computed once, into one buffer.
    buffers.keys.clear();
    buffers.offsets.resize(size_t(count) + 1);
    buffers.nameStarts.resize(size_t(count));
    for (qsizetype i = 0; i < count; ++i) {
        const QByteArray &path = items[i].path();
        const qsizetype nameStart = path.lastIndexOf('/') + 1;
        buffers.nameStarts[i] = nameStart;
        buffers.offsets[i] = buffers.keys.size();
        d->appendKey(buffers.keys, QByteArrayView(path).sliced(nameStart));
    }
    buffers.offsets[count] = buffers.keys.size();

    buffers.entries.resize(size_t(count));
    for (qsizetype i = 0; i < count; ++i)
        buffers.entries[i] = { buffers.chunkAt(quint32(i), 0), quint32(i) };
    sortFrom(buffers.entries.begin(), buffers.entries.end(), 0, buffers, items);

    QList<ShelfItem> result;
    result.reserve(count);
    for (const Entry &entry : buffers.entries)
        result.append(items[entry.index]);
    return result;
}

QList<ShelfItem> displayOrder(const QList<ShelfItem> &items)
{
    static const NaturalOrder order; // the user's collation locale, fixed for the process
    return order.sorted(items);
}

} // namespace vantry
