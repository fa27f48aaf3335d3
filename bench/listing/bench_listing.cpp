// SPDX-License-Identifier: GPL-3.0-or-later
// Lists and orders folders of growing size on tmpfs and compares the time with
// a bare readdir loop that only keeps the names. Usage:
//   bench_listing [--dir /dev/shm] [--sizes 1000,10000,100000,1000000] [--runs 5]
#include "shelf/FolderListing.h"
#include "shelf/NaturalOrder.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QList>
#include <QLocale>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;
using namespace vantry;

namespace {

// Names as people have them: mixed case, digit runs, spaces, a folder now and then.
QByteArray nameFor(int i)
{
    static const char *const stems[] = { "IMG_", "Report final v", "notes-", "Scan ", "song ",
        "Backup_", "photo", "Zeta ", "alpha.", "Invoice 2024-" };
    static const char *const extensions[]
        = { ".jpg", ".pdf", ".txt", ".md", ".mp3", "", ".tar.gz" };
    QByteArray name = stems[i % 10];
    name += QByteArray::number(i);
    name += extensions[(i / 10) % 7];
    return name;
}

bool populate(const QByteArray &dir, int count)
{
    if (::mkdir(dir.constData(), 0755) != 0)
        return false;
    for (int i = 0; i < count; ++i) {
        const QByteArray path = dir + '/' + nameFor(i);
        if (i % 20 == 0) {
            if (::mkdir(path.constData(), 0755) != 0)
                return false;
            continue;
        }
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (fd < 0)
            return false;
        ::close(fd);
    }
    return true;
}

void removeTree(const QByteArray &dir)
{
    if (DIR *d = ::opendir(dir.constData())) {
        while (const dirent *e = ::readdir(d)) {
            if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
                continue;
            const QByteArray path = dir + '/' + e->d_name;
            if (::unlink(path.constData()) != 0)
                ::rmdir(path.constData());
        }
        ::closedir(d);
    }
    ::rmdir(dir.constData());
}

// The baseline: read every entry and keep its name, nothing else.
qsizetype bareLoop(const QByteArray &dir)
{
    QList<QByteArray> names;
    if (DIR *d = ::opendir(dir.constData())) {
        while (const dirent *e = ::readdir(d))
            names.append(QByteArray(e->d_name));
        ::closedir(d);
    }
    return names.size();
}

// CPU time of this thread in milliseconds: on a shared machine the wall clock
// mostly measures the other processes.
double cpuMilliseconds()
{
    timespec now {};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// Runs every measurement once per round, interleaved so that all of them
// meet the same conditions, and keeps the best time of each.
std::vector<double> bestOfRounds(int rounds, const std::vector<std::function<void()>> &work)
{
    std::vector<double> best(work.size(), 0);
    for (int round = -1; round < rounds; ++round) { // round -1 warms the caches
        for (size_t i = 0; i < work.size(); ++i) {
            const double start = cpuMilliseconds();
            work[i]();
            const double elapsed = cpuMilliseconds() - start;
            if (round == 0 || (round > 0 && elapsed < best[i]))
                best[i] = elapsed;
        }
    }
    return best;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QByteArray base = "/dev/shm";
    std::vector<int> sizes { 1000, 10000, 100000, 1000000 };
    int runs = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        const QByteArray option = argv[i];
        const QByteArray value = argv[i + 1];
        if (option == "--dir") {
            base = value;
        } else if (option == "--runs") {
            runs = std::max(1, value.toInt());
        } else if (option == "--sizes") {
            sizes.clear();
            for (const QByteArray &s : value.split(','))
                sizes.push_back(s.toInt());
        }
    }

    const NaturalOrder cOrder(QLocale::c());
    const NaturalOrder enOrder(QLocale(u"en_US"_s));
    std::printf("%s, best of %d interleaved rounds, CPU time in ms; en_US collation: %s\n",
        base.constData(), runs,
        enOrder.usesLocaleCollation() ? "ICU" : "not available, byte keys used");
    std::printf("%10s %10s %12s %7s %13s %7s %9s %9s %9s\n", "entries", "bare ms", "C list+order",
        "ratio", "en_US l+order", "ratio", "list", "C order", "en order");

    int failures = 0;
    for (const int size : sizes) {
        const QByteArray dir = base + "/vantry-bench-" + QByteArray::number(::getpid()) + '-'
            + QByteArray::number(size);
        if (!populate(dir, size)) {
            std::fprintf(stderr, "cannot create %d entries under %s\n", size, dir.constData());
            removeTree(dir);
            return 1;
        }
        const int sizeRuns = size >= 1000000 ? std::min(runs, 3) : runs;
        qsizetype listed = 0;
        QList<ShelfItem> items;
        const std::vector<double> best = bestOfRounds(sizeRuns,
            { [&] { listed = bareLoop(dir); },
                [&] { listed = cOrder.sorted(loadItems(dir)).size(); },
                [&] { listed = enOrder.sorted(loadItems(dir)).size(); },
                [&] { items = loadItems(dir); }, [&] { listed = cOrder.sorted(items).size(); },
                [&] { listed = enOrder.sorted(items).size(); } });
        const double bare = best[0];
        const double c = best[1];
        const double en = best[2];
        const double list = best[3];
        const double cSort = best[4];
        const double enSort = best[5];
        if (listed != size)
            ++failures;
        std::printf("%10d %10.2f %12.2f %6.2fx %13.2f %6.2fx %9.2f %9.2f %9.2f\n", size, bare, c,
            c / bare, en, en / bare, list, cSort, enSort);
        std::fflush(stdout);
        removeTree(dir);
    }
    return failures == 0 ? 0 : 1;
}
