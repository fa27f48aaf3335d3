// SPDX-License-Identifier: GPL-3.0-or-later
// A drop target in a process of its own, as a file manager is one: it accepts
// file URLs and reports on standard output:
//   ready <x> <y>                        once shown (the global centre of its window)
//   dropped <proposed> <possible> <path> for every file dropped, then it quits.
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

class ReportingDropTarget final : public QWidget
{
public:
    ReportingDropTarget()
    {
        setAcceptDrops(true);
        setWindowTitle(u"drop target"_s);
        resize(200, 200);
    }

protected:
    void dragEnterEvent(QDragEnterEvent *event) override
    {
        if (event->mimeData()->hasUrls())
            event->acceptProposedAction();
    }
    void dragMoveEvent(QDragMoveEvent *event) override { event->acceptProposedAction(); }
    void dropEvent(QDropEvent *event) override
    {
        for (const QUrl &url : event->mimeData()->urls()) {
            const QByteArray path
                = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
            std::printf("dropped %d %d %s\n", int(event->proposedAction()),
                int(event->possibleActions()), path.constData());
        }
        std::fflush(stdout);
        event->setDropAction(Qt::CopyAction);
        event->accept();
        QTimer::singleShot(200, qApp, &QCoreApplication::quit);
    }
    void showEvent(QShowEvent *event) override
    {
        QWidget::showEvent(event);
        // Ready once the window manager has mapped the window and it stopped moving.
        auto *poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [this, poll] {
            const QPoint centre = mapToGlobal(rect().center());
            const bool settled
                = windowHandle() && windowHandle()->isExposed() && centre == m_lastCentre;
            m_lastCentre = centre;
            if (!settled)
                return;
            poll->stop();
            std::printf("ready %d %d\n", centre.x(), centre.y());
            std::fflush(stdout);
        });
        poll->start(150);
    }

private:
    QPoint m_lastCentre;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ReportingDropTarget target;
    target.move(520, 80);
    target.show();
    return app.exec();
}
