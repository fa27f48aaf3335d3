// SPDX-License-Identifier: GPL-3.0-or-later
// The application-wide event monitor and values attached to objects.
#include "KeyboardShortcuts/LocalEventMonitor.h"
#include "KeyboardShortcuts/ObjectAssociation.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>

#include <memory>

using namespace KeyboardShortcuts;
using namespace Qt::StringLiterals;

namespace {

class EventLog final : public QObject
{
public:
    QList<QEvent::Type> seen;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::MouseButtonPress)
            seen.append(event->type());
        return false;
    }
};

void sendKey(QObject *target, Qt::Key key)
{
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}

void sendClick(QWidget *target)
{
    QMouseEvent event(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton,
        Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}

} // namespace

class TestEventMonitoring : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void monitorSwallowsOnlyWhatItsCallbackRefuses();
    void monitorFiltersOnlyWhileStarted();
    void associationValuesLeaveWithTheirObject();
    void associationsAreIndependent();
};

void TestEventMonitoring::monitorSwallowsOnlyWhatItsCallbackRefuses()
{
    QWidget widget;
    EventLog reached;
    widget.installEventFilter(&reached);
    QList<QEvent::Type> offered;
    LocalEventMonitor monitor({ QEvent::KeyPress }, [&](QObject *, QEvent *event) {
        offered.append(event->type());
        return static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape;
    });
    monitor.startMonitoring();

    sendKey(&widget, Qt::Key_Escape);
    sendKey(&widget, Qt::Key_A);
    sendClick(&widget); // not watched: passes without asking
    QCOMPARE(offered.size(), 2);
    QCOMPARE(reached.seen, (QList<QEvent::Type> { QEvent::KeyPress, QEvent::MouseButtonPress }));
}

void TestEventMonitoring::monitorFiltersOnlyWhileStarted()
{
    QWidget widget;
    EventLog reached;
    widget.installEventFilter(&reached);
    auto monitor = std::make_unique<LocalEventMonitor>(
        QList<QEvent::Type> { QEvent::KeyPress }, [](QObject *, QEvent *) { return true; });
    sendKey(&widget, Qt::Key_A);
    QCOMPARE(reached.seen.size(), 1);

    monitor->startMonitoring().startMonitoring(); // twice is once
    QVERIFY(monitor->isMonitoring());
    sendKey(&widget, Qt::Key_A);
    QCOMPARE(reached.seen.size(), 1);

    monitor->stopMonitoring();
    sendKey(&widget, Qt::Key_A);
    QCOMPARE(reached.seen.size(), 2);

    monitor->startMonitoring();
    monitor.reset(); // released: stops
    sendKey(&widget, Qt::Key_A);
    QCOMPARE(reached.seen.size(), 3);
}

void TestEventMonitoring::associationValuesLeaveWithTheirObject()
{
    ObjectAssociation<QString> association;
    auto object = std::make_unique<QObject>();
    QCOMPARE(association.value(object.get()), std::nullopt);
    association.setValue(object.get(), u"first"_s);
    association.setValue(object.get(), u"second"_s);
    QCOMPARE(association.value(object.get()), std::optional(u"second"_s));
    association.setValue(object.get(), std::nullopt);
    QCOMPARE(association.value(object.get()), std::nullopt);

    association.setValue(object.get(), u"kept"_s);
    const QObject *address = object.get();
    object.reset();
    // A new object at the same address must not inherit the value.
    QCOMPARE(association.value(address), std::nullopt);
}

void TestEventMonitoring::associationsAreIndependent()
{
    QObject object;
    auto first = std::make_unique<ObjectAssociation<int>>();
    ObjectAssociation<int> second;
    first->setValue(&object, 1);
    second.setValue(&object, 2);
    QCOMPARE(first->value(&object), std::optional(1));
    QCOMPARE(second.value(&object), std::optional(2));
    first.reset(); // the object outlives an association without harm
    QCOMPARE(second.value(&object), std::optional(2));
}

QTEST_MAIN(TestEventMonitoring)
#include "tst_eventmonitoring.moc"
