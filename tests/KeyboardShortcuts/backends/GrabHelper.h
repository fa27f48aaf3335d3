// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcess>
#include <QStringList>

#include <memory>

// Another X client for the tests: the test binary re-run as "--grab" keeps a
// passive grab until it is killed; "--try-grab" grabs, releases and exits 0
// when every variant was granted.
namespace GrabHelper {

/// Handles "--grab"/"--try-grab" invocations; returns -1 when argv is neither.
int runIfRequested(int argc, char **argv);

/// Ends the holding process: it lets go when its stdin closes.
struct Release
{
    void operator()(QProcess *process) const;
};
using Holder = std::unique_ptr<QProcess, Release>;

/// Starts a process that holds keycode with each of the modifier masks; null when refused.
Holder hold(int keycode, const QList<int> &modifierMasks);

/// Whether another client can grab keycode with every one of the masks right now.
bool canGrab(int keycode, const QList<int> &modifierMasks);

} // namespace GrabHelper
