// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include <QTest>

using namespace Qt::StringLiterals;
using vantry::CommandLine;
using vantry::Request;
using Action = CommandLine::Action;
using Result = CommandLine::Result;

// The options a user types are driven end to end (tests/e2e/test_cli.py); here what no
// launch there passes.
class TestCommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void qtDisplayOptionsAreLeftToQt()
    {
        CommandLine commandLine;
        QCOMPARE(commandLine.parse(
                     { u"vantry"_s, u"-platform"_s, u"xcb"_s, u"--display=:1"_s, u"-reverse"_s }),
            Result::run);
        QCOMPARE(commandLine.action(), Action::startOrToggle);
        QCOMPARE(commandLine.request({}, {}), QByteArray("toggle"));
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
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
