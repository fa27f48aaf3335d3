// SPDX-License-Identifier: GPL-3.0-or-later
#include "GrabHelper.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>

using namespace Qt::StringLiterals;

namespace GrabHelper {

namespace {

bool grabAll(xcb_connection_t *c, xcb_window_t root, int keycode, const std::vector<int> &masks)
{
    std::vector<xcb_void_cookie_t> cookies;
    for (const int mask : masks) {
        cookies.push_back(xcb_grab_key_checked(c, 1, root, quint16(mask), xcb_keycode_t(keycode),
            XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    }
    bool all = true;
    for (const auto cookie : cookies) {
        if (xcb_generic_error_t *error = xcb_request_check(c, cookie)) {
            all = false;
            std::free(error);
        }
    }
    return all;
}

QStringList arguments(const char *mode, int keycode, const QList<int> &masks)
{
    QStringList args { QString::fromLatin1(mode), QString::number(keycode) };
    for (const int mask : masks) {
        args << QString::number(mask);
    }
    return args;
}

} // namespace

int runIfRequested(int argc, char **argv)
{
    if (argc < 3
        || (std::strcmp(argv[1], "--grab") != 0 && std::strcmp(argv[1], "--try-grab") != 0)) {
        return -1;
    }
    const bool hold = std::strcmp(argv[1], "--grab") == 0;
    const int keycode = std::atoi(argv[2]);
    std::vector<int> masks;
    for (int i = 3; i < argc; ++i) {
        masks.push_back(std::atoi(argv[i]));
    }
    int screen = 0;
    xcb_connection_t *c = xcb_connect(nullptr, &screen);
    if (xcb_connection_has_error(c)) {
        return 2;
    }
    auto roots = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screen; ++i) {
        xcb_screen_next(&roots);
    }
    const bool granted = grabAll(c, roots.data->root, keycode, masks);
    std::printf("%s\n", granted ? "granted" : "refused");
    std::fflush(stdout);
    if (hold && granted) {
        // Keep the grab until the test kills us (or closes our stdin).
        char buffer[64];
        while (::read(STDIN_FILENO, buffer, sizeof buffer) > 0) { }
    }
    xcb_disconnect(c);
    return granted ? 0 : 1;
}

void Release::operator()(QProcess *process) const
{
    process->closeWriteChannel();
    if (!process->waitForFinished(5000)) {
        process->kill();
        process->waitForFinished();
    }
    delete process;
}

Holder hold(int keycode, const QList<int> &modifierMasks)
{
    Holder process(new QProcess);
    process->start(
        QCoreApplication::applicationFilePath(), arguments("--grab", keycode, modifierMasks));
    if (!process->waitForStarted() || !process->waitForReadyRead(10000)
        || process->readLine().trimmed() != "granted") {
        return {};
    }
    return process;
}

bool canGrab(int keycode, const QList<int> &modifierMasks)
{
    QProcess process;
    process.start(
        QCoreApplication::applicationFilePath(), arguments("--try-grab", keycode, modifierMasks));
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
}

} // namespace GrabHelper
