// SPDX-License-Identifier: GPL-3.0-or-later
// Times the shelf list from setting the items of a large folder to the first
// painted frame, and measures the memory the list adds. Usage:
//   bench_shelf_list [--items 100000] [--runs 5] [--dir /dev/shm]
//   bench_shelf_list --screenshot out.png [--dark] [--state rename|error] [-reverse]
//     (a picture of a plausible folder with the selected item's preview beside it,
//     optionally renaming or showing an error; QT_SCALE_FACTOR=2 for a 2x picture)
// Prints key=value lines. Run it under Xvfb (QT_QPA_PLATFORM=xcb) or offscreen.
#include "core/UserDefaults.h"
#include "icons/FileIcons.h"
#include "preview/PreviewPanel.h"
#include "preview/PreviewPlacement.h"
#include "preview/PreviewPresenter.h"
#include "preview/PreviewView.h"
#include "shelf/ContentView.h"
#include "shelf/FolderChooser.h"
#include "shelf/SecurityScope.h"
#include "shelf/ui/ShelfListModel.h"
#include "shelf/ui/ShelfListView.h"
#include "shelf/ui/ShelfView.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHBoxLayout>
#include <QIcon>
#include <QListView>
#include <QPainter>
#include <QPalette>
#include <QPdfWriter>
#include <QStandardPaths>
#include <QStringListModel>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <malloc.h>
#include <optional>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace vantry;

namespace {

class NoPreview final : public PreviewPresenter
{
public:
    void show(const QByteArray &, QWidget *, PreviewSide, int, int) override { }
    void hide() override { }
};

class FixedChooser final : public FolderChooser
{
public:
    explicit FixedChooser(QByteArray folder)
        : m_folder(std::move(folder))
    { }
    void chooseFolder(Done done) override { done(m_folder); }

private:
    QByteArray m_folder;
};

double threadCpuMs()
{
    timespec ts {};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// Records when the list's viewport has finished painting.
class PaintProbe final : public QObject
{
public:
    bool painted = false;
    qint64 paintedAtNs = 0;
    double paintedCpuMs = 0;
    QElapsedTimer *clock = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Paint || painted)
            return false;
        watched->removeEventFilter(this);
        QCoreApplication::sendEvent(watched, event); // paint now, then take the time
        painted = true;
        paintedAtNs = clock->nsecsElapsed();
        paintedCpuMs = threadCpuMs();
        watched->installEventFilter(this);
        return true;
    }
};

double heapMiB()
{
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

double rssMiB()
{
    QFile statm(u"/proc/self/statm"_s);
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1
        ? fields.at(1).toDouble() * double(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0)
        : 0;
}

bool touch(const QByteArray &path, const QByteArray &body = {})
{
    if (path.endsWith('/'))
        return ::mkdir(path.chopped(1).constData(), 0755) == 0;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    [[maybe_unused]] const auto written = ::write(fd, body.constData(), body.size());
    ::close(fd);
    return true;
}

QByteArray benchName(int i)
{
    static const char *const stems[] = { "IMG_", "Report final v", "notes-", "Scan ", "song ",
        "Backup_", "photo", "Zeta ", "alpha.", "Invoice 2024-" };
    static const char *const extensions[]
        = { ".jpg", ".pdf", ".txt", ".md", ".mp3", "", ".tar.gz" };
    QByteArray name = stems[i % 10];
    name += QByteArray::number(i);
    name += i % 20 == 0 ? "/" : extensions[(i / 10) % 7];
    return name;
}

struct Shelf
{
    Shelf(const QString &configDir, const QByteArray &folder)
        : defaults(configDir + u"/vantry.conf"_s)
        , chooser(folder)
        , content(
              defaults, scope, chooser, preview, [] {}, [] { return nullptr; }, [] {})
    { }
    UserDefaults defaults;
    SecurityScope scope;
    FixedChooser chooser;
    NoPreview preview;
    ContentView content;
};

bool waitFor(const PaintProbe &probe)
{
    QElapsedTimer limit;
    limit.start();
    while (!probe.painted && limit.elapsed() < 20000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    return probe.painted;
}

// The least a list can do: a bare QListView over strings, uniform item sizes.
std::pair<double, double> floorListMs(int count, int runs, QElapsedTimer &clock)
{
    QStringList names;
    names.reserve(count);
    for (int i = 0; i < count; ++i)
        names.append(QString::fromUtf8(benchName(i)));
    QStringListModel model;
    QListView list;
    list.setUniformItemSizes(true);
    list.setModel(&model);
    list.resize(344, 300);
    PaintProbe probe;
    probe.clock = &clock;
    list.viewport()->installEventFilter(&probe);
    list.show();
    waitFor(probe);
    std::vector<double> wall;
    std::vector<double> cpu;
    for (int run = 0; run < runs; ++run) {
        probe.painted = false;
        const qint64 start = clock.nsecsElapsed();
        const double cpuStart = threadCpuMs();
        model.setStringList(run % 2 ? names : QStringList(names.mid(1)));
        waitFor(probe);
        wall.push_back(double(probe.paintedAtNs - start) / 1e6);
        cpu.push_back(probe.paintedCpuMs - cpuStart);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    return { wall[wall.size() / 2], cpu[cpu.size() / 2] };
}

int runBench(int count, int runs, const QString &base)
{
    QTemporaryDir dir(base + u"/shelf-list-bench-XXXXXX"_s);
    const QByteArray folder = QFile::encodeName(dir.path()) + "/folder";
    ::mkdir(folder.constData(), 0755);
    for (int i = 0; i < count; ++i) {
        if (!touch(folder + '/' + benchName(i))) {
            std::fprintf(stderr, "cannot create files in %s\n", folder.constData());
            return 1;
        }
    }

    Shelf shelf(dir.path(), folder);
    QElapsedTimer clock;
    clock.start();

    qint64 itemsSetAt = 0;
    QObject::connect(&shelf.content, &ContentView::itemsChanged, &shelf.content,
        [&] { itemsSetAt = clock.nsecsElapsed(); });

    // The window with an empty list first, so that only the list's own work is timed.
    const double heapBefore = heapMiB();
    QWidget window;
    auto *view = new ShelfView(shelf.content, &window);
    (new QVBoxLayout(&window))->addWidget(view);
    window.resize(380, 520);
    PaintProbe probe;
    probe.clock = &clock;
    auto *list = view->findChild<ShelfListView *>(u"items"_s);
    list->viewport()->installEventFilter(&probe);
    window.show();
    if (!waitFor(probe))
        return 1;
    const double heapEmptyView = heapMiB();

    // The items themselves belong to the shelf state; measure them without the list.
    // What the items cost without a list. The listing keeps buffers between listings,
    // so one listing first warms them up and is thrown away.
    double itemsAlone = 0;
    {
        const QString bareDir = dir.path() + u"/bare"_s;
        QDir().mkpath(bareDir);
        {
            Shelf(bareDir, folder).content.chooseFolder();
        }
        Shelf bare(bareDir, folder);
        const double heapBareBefore = heapMiB();
        bare.content.chooseFolder();
        itemsAlone = heapMiB() - heapBareBefore;
    }

    // The MIME database and icon theme load once per process, at the first icon asked for.
    const double heapBeforeIcons = heapMiB();
    fileIcon("warm-up.txt", false);
    const double iconSetup = heapMiB() - heapBeforeIcons;
    const double heapBeforeItems = heapMiB();
    const double rssBefore = rssMiB();

    std::vector<double> times;
    std::vector<double> syncTimes;
    std::vector<double> cpuTimes;
    double heapAfterFirst = 0;
    double rssAfterFirst = 0;
    for (int run = 0; run < runs; ++run) {
        probe.painted = false;
        double cpuAtItems = 0;
        const auto cpuProbe = QObject::connect(&shelf.content, &ContentView::itemsChanged,
            &shelf.content, [&] { cpuAtItems = threadCpuMs(); });
        shelf.content.chooseFolder(); // lists and sets the items, then the list repaints
        syncTimes.push_back(double(clock.nsecsElapsed() - itemsSetAt) / 1e6);
        if (!waitFor(probe))
            return 1;
        QObject::disconnect(cpuProbe);
        times.push_back(double(probe.paintedAtNs - itemsSetAt) / 1e6);
        cpuTimes.push_back(probe.paintedCpuMs - cpuAtItems);
        if (run == 0) {
            heapAfterFirst = heapMiB();
            rssAfterFirst = rssMiB();
        }
    }

    std::sort(times.begin(), times.end());
    const int rows = list->model()->rowCount();
    std::printf("platform=%s\n", qPrintable(QGuiApplication::platformName()));
    std::printf("items=%d\n", rows);
    std::printf("set_items_to_first_paint_ms_median=%.2f\n", times[times.size() / 2]);
    std::printf("set_items_to_first_paint_ms_min=%.2f\n", times.front());
    std::printf("set_items_to_first_paint_ms_max=%.2f\n", times.back());
    std::sort(syncTimes.begin(), syncTimes.end());
    std::sort(cpuTimes.begin(), cpuTimes.end());
    std::printf("set_items_to_first_paint_cpu_ms_median=%.2f\n", cpuTimes[cpuTimes.size() / 2]);
    const auto floor = floorListMs(count, runs, clock);
    std::printf("floor_string_list_to_first_paint_ms_median=%.2f\n", floor.first);
    std::printf("floor_string_list_to_first_paint_cpu_ms_median=%.2f\n", floor.second);
    std::printf("set_items_handled_ms_median=%.2f\n", syncTimes[syncTimes.size() / 2]);
    std::printf("heap_icon_lookup_setup_mib=%.2f\n", iconSetup);
    std::printf("heap_items_alone_mib=%.2f\n", itemsAlone);
    std::printf("heap_view_empty_mib=%.2f\n", heapEmptyView - heapBefore);
    std::printf("heap_items_and_list_mib=%.2f\n", heapAfterFirst - heapBeforeItems);
    std::printf("heap_list_adds_mib=%.2f\n", heapAfterFirst - heapBeforeItems - itemsAlone);
    std::printf("rss_growth_items_and_list_mib=%.2f\n", rssAfterFirst - rssBefore);
    return 0;
}

void useDarkPalette(QApplication &app)
{
    app.setStyle(QStyleFactory::create(u"Fusion"_s));
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(45, 45, 48));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    dark.setColor(QPalette::Base, QColor(30, 30, 32));
    dark.setColor(QPalette::AlternateBase, QColor(53, 53, 56));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    dark.setColor(QPalette::Button, QColor(58, 58, 62));
    dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    dark.setColor(QPalette::ToolTipBase, QColor(58, 58, 62));
    dark.setColor(QPalette::ToolTipText, QColor(230, 230, 230));
    dark.setColor(QPalette::PlaceholderText, QColor(150, 150, 150));
    dark.setColor(QPalette::Highlight, QColor(42, 130, 218));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::Disabled, QPalette::Text, QColor(150, 150, 150));
    dark.setColor(QPalette::Disabled, QPalette::WindowText, QColor(150, 150, 150));
    dark.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(150, 150, 150));
    app.setPalette(dark);
}

// A one-page invoice, for the preview in the picture.
void writeInvoice(const QString &path)
{
    QPdfWriter pdf(path);
    pdf.setPageSize(QPageSize(QPageSize::A5));
    pdf.setResolution(72);
    QPainter painter(&pdf);
    QFont font(u"DejaVu Sans"_s);
    font.setPixelSize(22);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(40, 60, u"Invoice 0042"_s);
    font.setPixelSize(11);
    font.setBold(false);
    painter.setFont(font);
    painter.drawText(40, 110, u"Lisbon Photo Walks, Rua Augusta 12"_s);
    const std::pair<QString, QString> rows[] { { u"3 \u00d7 guided walk, old town"_s, u"90.00"_s },
        { u"1 \u00d7 print set, A4"_s, u"35.00"_s }, { QString(), QString() },
        { u"Total"_s, u"125.00"_s } };
    int y = 140;
    for (const auto &[item, amount] : rows) {
        painter.drawText(40, y, item);
        painter.drawText(380 - painter.fontMetrics().horizontalAdvance(amount), y, amount);
        y += 18;
    }
    painter.setPen(QPen(Qt::gray, 1));
    painter.drawLine(40, 80, 380, 80);
}

// The desktop behind the windows in the picture.
class Desk final : public QWidget
{
protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter(this).fillRect(rect(), QColor(0x20, 0x40, 0x60));
    }
};

int screenshot(QApplication &app, const QString &out, bool dark, const QString &state)
{
    // Outside a desktop session no icon theme is set; use the one every desktop ships.
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == u"hicolor"_s) {
        QIcon::setThemeSearchPaths(QIcon::themeSearchPaths()
            + QStandardPaths::locateAll(
                QStandardPaths::GenericDataLocation, u"icons"_s, QStandardPaths::LocateDirectory));
        QIcon::setThemeName(u"Adwaita"_s);
    }
    if (dark)
        useDarkPalette(app);
    else
        app.setStyle(QStyleFactory::create(u"Fusion"_s));
    QTemporaryDir dir;
    const QByteArray folder = QFile::encodeName(QDir::homePath()) + "/Shelf";
    const QByteArray shelfFolder
        = QFile::exists(QFile::decodeName(folder)) ? QFile::encodeName(dir.path()) : folder;
    const QByteArray target = shelfFolder == folder ? folder : shelfFolder + "/Shelf";
    ::mkdir(target.constData(), 0755);
    const QList<QByteArray> entries { "Budget 2026.ods", "Holiday in Lisbon.jpg",
        "Invoice 0042.pdf", "Meeting notes.md", "Projects/", "README.txt", "backup.tar.gz",
        "build.sh", "song for Anna.mp3" };
    for (const QByteArray &entry : entries)
        touch(target + '/' + entry, "x\n");
    writeInvoice(QFile::decodeName(target + "/Invoice 0042.pdf"));

    Shelf shelf(dir.path(), target);
    // The preview beside the shelf, bottoms lined up as when it slides out of it.
    Desk window;
    auto *layout = new QHBoxLayout(&window);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(previewPanelGap);
    auto *panel = new PreviewPanel;
    panel->setParent(&window, Qt::Widget);
    panel->setFixedSize(380, 300);
    layout->addWidget(panel, 0, Qt::AlignBottom);
    auto *shelfWindow = new QWidget(&window);
    shelfWindow->setAutoFillBackground(true);
    (new QVBoxLayout(shelfWindow))->addWidget(new ShelfView(shelf.content, shelfWindow));
    shelfWindow->layout()->setContentsMargins(0, 0, 0, 0);
    // As wide as the shelf makes itself; tall enough for the whole folder.
    shelfWindow->setFixedSize(shelfWindow->sizeHint().width(), 470);
    layout->addWidget(shelfWindow);
    shelf.content.chooseFolder();
    window.show();
    panel->setPath(target + "/Invoice 0042.pdf", QSize(380 - 2, 300 - panel->titleHeight() - 2));
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 300)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    shelf.content.setSelection({ target + "/Invoice 0042.pdf" });
    if (state == u"rename"_s || state == u"error"_s) {
        shelf.content.beginRename();
        shelf.content.setRenameText(u"Invoice 0042 (paid).pdf"_s);
    }
    if (state == u"error"_s) {
        shelf.content.setRenameText(QString(300, u'x'));
        shelf.content.commitRename(); // a name longer than the file system allows
    }
    settle.restart();
    while (settle.elapsed() < 300 || (!panel->view()->content() && settle.elapsed() < 10000))
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    const bool saved = window.grab().save(out);
    std::printf("screenshot=%s saved=%d\n", qPrintable(out), saved);
    if (shelfFolder == folder)
        QDir(QFile::decodeName(folder)).removeRecursively();
    return saved ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const auto option = [&args](const QString &name) -> std::optional<QString> {
        const qsizetype at = args.indexOf(name);
        if (at < 0 || at + 1 >= args.size())
            return std::nullopt;
        return args.at(at + 1);
    };
    if (const auto out = option(u"--screenshot"_s))
        return screenshot(
            app, *out, args.contains(u"--dark"_s), option(u"--state"_s).value_or(QString()));
    const int count = option(u"--items"_s).value_or(u"100000"_s).toInt();
    const int runs = std::max(1, option(u"--runs"_s).value_or(u"5"_s).toInt());
    const QString base
        = option(u"--dir"_s)
              .value_or(QFile::exists(u"/dev/shm"_s) ? u"/dev/shm"_s : QDir::tempPath());
    return runBench(count, runs, base);
}
