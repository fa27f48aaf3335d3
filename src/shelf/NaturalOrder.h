// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shelf/ShelfItem.h"

#include <QByteArray>
#include <QList>
#include <QLocale>

#include <memory>

namespace vantry {

// The file manager's name order: runs of digits compare by numeric value,
// letters without regard to case, and case decides only between names that are
// otherwise the same. Follows the locale's ICU collation (numeric, secondary
// strength), and in the C/POSIX locale an order of our own that agrees with
// ICU's root order on ASCII names. ICU is used directly rather than through
// QCollator, which ignores numeric mode in the C locale and allocates twice
// per sort key.
class NaturalOrder final
{
public:
    /// The order of locale (by default the user's collation locale, LC_COLLATE).
    explicit NaturalOrder(const QLocale &locale = QLocale::system().collation());
    ~NaturalOrder();
    NaturalOrder(const NaturalOrder &) = delete;
    NaturalOrder &operator=(const NaturalOrder &) = delete;

    /// True when the locale's own collation is used, false for our byte-key order.
    bool usesLocaleCollation() const;

    /// Negative, zero or positive as name a sorts before, with or after b.
    /// Zero only for identical names.
    int compare(const QByteArray &a, const QByteArray &b) const;

    /// A stable sort of items by file name; every sort key is computed once.
    /// Reuses one conversion buffer: an order is for one thread at a time.
    QList<ShelfItem> sorted(const QList<ShelfItem> &items) const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

/// The items in display order for the user's locale; the given list is left unchanged.
QList<ShelfItem> displayOrder(const QList<ShelfItem> &items);

} // namespace vantry
