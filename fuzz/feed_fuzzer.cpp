// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the update feed parser and checks what it promises
// about every feed it accepts.
#include "updates/AppcastParser.h"
#include "updates/UpdateUrlPolicy.h"
#include "updates/VersionComparator.h"

#include <cstdint>
#include <cstdlib>

using vantry::AppcastItem;
using vantry::AppcastParser;

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray document(reinterpret_cast<const char *>(data), qsizetype(size));
    const AppcastParser::Result result = AppcastParser::parse(document);
    if (!result.ok()) {
        check(result.items.isEmpty());
        return 0;
    }
    for (const AppcastItem &item : result.items) {
        check(!item.version.isEmpty());
        check(item.version.size() <= AppcastParser::MaximumVersionLength);
        check(vantry::UpdateUrlPolicy::isAllowed(item.enclosureUrl));
        check(item.releaseNotesUrl.isEmpty()
            || vantry::UpdateUrlPolicy::isAllowed(item.releaseNotesUrl));
        check(vantry::compareVersions(item.version, item.version) == 0);
    }
    // The order must be consistent, or the newest item would depend on feed order.
    for (qsizetype i = 0; i + 1 < result.items.size(); ++i) {
        const QString &a = result.items[i].version;
        const QString &b = result.items[i + 1].version;
        check(vantry::compareVersions(a, b) == (0 <=> vantry::compareVersions(b, a)));
    }
    if (const auto best = AppcastParser::bestUpdate(result.items, QStringLiteral("1.0"))) {
        check(vantry::compareVersions(best->version, QStringLiteral("1.0")) > 0);
        for (const AppcastItem &item : result.items)
            check(vantry::compareVersions(item.version, best->version) <= 0);
    }

    // Version texts straight from the input, split in two.
    const QString text = QString::fromUtf8(document.left(256));
    const qsizetype half = text.size() / 2;
    const QStringView left = QStringView(text).first(half);
    const QStringView right = QStringView(text).sliced(half);
    check(vantry::compareVersions(left, right) == (0 <=> vantry::compareVersions(right, left)));
    return 0;
}
