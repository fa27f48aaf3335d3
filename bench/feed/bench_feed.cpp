// SPDX-License-Identifier: GPL-3.0-or-later
// Times the update feed parser on hostile feeds just under the 1 MiB cap, each
// built to sit at one of the parser's bounds, next to a plain feed of that size.
// Times are CPU time of the parsing thread.
//   bench_feed [runs]   (default 5; the best run is printed)
#include "updates/AppcastParser.h"

#include <QCoreApplication>
#include <cstdio>
#include <ctime>
#include <limits>

using vantry::AppcastParser;

namespace {

const QByteArray Head
    = "<rss xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">"
      "<channel><item><sparkle:version>2</sparkle:version>"
      "<enclosure url=\"https://vantry.example/v.tgz\"/>";
const QByteArray Tail = "</item></channel></rss>";

// Repeats unit until the feed would pass the cap, or at most limit times.
QByteArray fill(const QByteArray &prefix, const QByteArray &unit, const QByteArray &suffix = {},
    int limit = std::numeric_limits<int>::max())
{
    QByteArray body = Head + prefix;
    for (int n = 0; n < limit
         && body.size() + unit.size() + suffix.size() + Tail.size() < AppcastParser::MaximumSize;
         ++n)
        body += unit;
    return body + suffix + Tail;
}

// CPU time of this thread, so other load on the machine does not count.
qint64 threadNanoseconds()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

QByteArray attributesAtTheBound()
{
    QByteArray element = "<x";
    for (int i = 0; i < AppcastParser::MaximumAttributes; ++i)
        element += " a" + QByteArray::number(i) + "=\"\"";
    return fill({}, element + "/>");
}

QByteArray namespacesAtTheBound()
{
    QByteArray open;
    QByteArray close;
    const int nesting = AppcastParser::MaximumDepth - 4;
    for (int i = 0; i < nesting; ++i) {
        open += "<n" + QByteArray::number(i) + " xmlns:p" + QByteArray::number(i)
            + "=\"urn:" + QByteArray::number(i) + "\">";
        close.prepend("</n" + QByteArray::number(i) + ">");
    }
    return fill(open, "<p0:a p1:b=\"\" p2:c=\"\"/>", close);
}

QByteArray bomb()
{
    QByteArray element = "<x";
    for (int i = 0; i < 100000; ++i)
        element += " a" + QByteArray::number(i) + "=\"\"";
    return Head + element + "/>" + Tail;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    const struct
    {
        const char *name;
        QByteArray feed;
    } cases[] = {
        { "plain text", fill("<description>", "x", "</description>") },
        { "elements at the bound",
            fill(
                {}, "<e>" + QByteArray(16, 'x') + "</e>", {}, AppcastParser::MaximumElements - 4) },
        { "attributes at the bound", attributesAtTheBound() },
        { "namespaces in scope", namespacesAtTheBound() },
        { "comments", fill("<!--", "<e a=\"\"/>", "-->") },
        { "100,000 attributes (refused)", bomb() },
    };
    std::printf("%-30s %10s %12s  %s\n", "feed", "bytes", "best CPU ms", "outcome");
    for (const auto &c : cases) {
        qint64 best = -1;
        AppcastParser::Result result;
        for (int r = 0; r < runs; ++r) {
            const qint64 start = threadNanoseconds();
            result = AppcastParser::parse(c.feed);
            const qint64 ns = threadNanoseconds() - start;
            best = best < 0 ? ns : std::min(best, ns);
        }
        std::printf("%-30s %10lld %12.2f  %s\n", c.name, static_cast<long long>(c.feed.size()),
            best / 1e6, result.ok() ? "read" : qPrintable(result.error));
    }
    return 0;
}
