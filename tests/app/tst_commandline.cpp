// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include <QTest>

using namespace Qt::StringLiterals;
using vantry::CommandLine;
using vantry::Request;
using Action = CommandLine::Action;
using Result = CommandLine::Result;

Q_DECLARE_METATYPE(Action)
Q_DECLARE_METATYPE(Result)

class TestCommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void argumentsAreRead_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Result>("result");
        QTest::addColumn<Action>("action");
        QTest::addColumn<bool>("background");
        QTest::addColumn<QByteArray>("request");

        const auto row = [](const char *name, QStringList args, Result result, Action action,
                             bool background, QByteArray request) {
            args.prepend(u"vantry"_s);
            QTest::newRow(name) << args << result << action << background << request;
        };
        row("nothing", {}, Result::run, Action::startOrToggle, false, "toggle");
        row("show", { u"--show"_s }, Result::run, Action::show, false, "show");
        row("hide", { u"--hide"_s }, Result::run, Action::hide, false, "hide");
        row("toggle", { u"--toggle"_s }, Result::run, Action::toggle, false, "toggle");
        row("quit", { u"--quit"_s }, Result::run, Action::quit, false, "quit");
        row("preferences", { u"--preferences"_s }, Result::run, Action::preferences, false,
            "preferences");
        // At login with Vantry running already, the shelf stays as it is.
        row("background", { u"--background"_s }, Result::run, Action::startOrToggle, true, "ping");
        row("help", { u"--help"_s }, Result::help, Action::startOrToggle, false, {});
        row("version", { u"--version"_s }, Result::version, Action::startOrToggle, false, {});
        // Qt's own display options belong to the application object, not to us.
        row("qt options", { u"-platform"_s, u"xcb"_s, u"--display=:1"_s, u"-reverse"_s },
            Result::run, Action::startOrToggle, false, "toggle");
        row("unknown", { u"--bogus"_s }, Result::error, Action::startOrToggle, false, {});
        row("two actions", { u"--show"_s, u"--hide"_s }, Result::error, Action::startOrToggle,
            false, {});
        row("background and an action", { u"--background"_s, u"--show"_s }, Result::error,
            Action::startOrToggle, false, {});
        row("a file", { u"notes.txt"_s }, Result::error, Action::startOrToggle, false, {});
    }

    void argumentsAreRead()
    {
        QFETCH(QStringList, arguments);
        QFETCH(Result, result);
        QFETCH(Action, action);
        QFETCH(bool, background);
        QFETCH(QByteArray, request);

        CommandLine commandLine;
        QCOMPARE(commandLine.parse(arguments), result);
        QCOMPARE(commandLine.errorText().isEmpty(), result != Result::error);
        if (result != Result::run)
            return;
        QCOMPARE(commandLine.action(), action);
        QCOMPARE(commandLine.background(), background);
        QCOMPARE(commandLine.request({}, {}), request);
        QCOMPARE(commandLine.startsInstance(), action != Action::hide && action != Action::quit);
    }

    void theLaunchersActivationTravelsWithTheRequest()
    {
        CommandLine commandLine;
        QCOMPARE(commandLine.parse({ u"vantry"_s, u"--show"_s }), Result::run);
        // Values may hold anything but a newline would end the request: they go encoded.
        const QByteArray token = "kwin-1 2=3";
        const QByteArray startupId = "launcher-42_TIME1234\nquit";
        const QByteArray line = commandLine.request(token, startupId);
        QVERIFY(!line.contains('\n'));
        const Request request = Request::parse(line);
        QCOMPARE(request.command, QByteArray("show"));
        QCOMPARE(request.activationToken, token);
        QCOMPARE(request.startupId, startupId);

        const Request plain = Request::parse("toggle");
        QCOMPARE(plain.command, QByteArray("toggle"));
        QVERIFY(plain.activationToken.isEmpty() && plain.startupId.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
