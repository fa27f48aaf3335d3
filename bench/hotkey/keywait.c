// SPDX-License-Identifier: GPL-3.0-or-later
/* keywait: times a key combination sent with XTest until a top-level window of
 * a process is mapped (or unmapped). Event-driven, no polling.
 *
 *   keywait map|unmap -p PID [-t MS] [KEYSYM...]   (default: Control_L Super_L s)
 *
 * Prints "map_ms=12.34" (or unmap_ms=..., or ...=timeout) on stdout; times are
 * CLOCK_MONOTONIC milliseconds from the first fake key press.
 */
#define _GNU_SOURCE
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/select.h>
#include <time.h>

static Display *display;
static Atom pidAtom;

static double nowMs(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

static int ignoreErrors(Display *d, XErrorEvent *e)
{
    (void)d;
    (void)e;
    return 0; /* windows may be gone by the time we look at them */
}

static long windowPid(Window w)
{
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char *data = NULL;
    long pid = -1;
    if (XGetWindowProperty(
            display, w, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after, &data)
            == Success
        && data && count == 1 && format == 32)
        pid = (long)*(unsigned long *)data;
    if (data)
        XFree(data);
    return pid;
}

/* The window manager's frame carries no pid: look at the client inside it. */
static long treePid(Window w, int depth)
{
    long pid = windowPid(w);
    if (pid > 0 || depth == 0)
        return pid;
    Window root, parent, *children = NULL;
    unsigned int count = 0;
    if (!XQueryTree(display, w, &root, &parent, &children, &count))
        return -1;
    for (unsigned int i = 0; i < count && pid <= 0; i++)
        pid = treePid(children[i], depth - 1);
    if (children)
        XFree(children);
    return pid;
}

static int viewable(Window w)
{
    XWindowAttributes attributes;
    return XGetWindowAttributes(display, w, &attributes) && attributes.map_state == IsViewable;
}

static int nextEvent(XEvent *event, double deadline)
{
    while (!XPending(display)) {
        const double left = deadline - nowMs();
        if (left <= 0)
            return 0;
        struct timeval tv = { (long)(left / 1e3), (long)((left - (long)(left / 1e3) * 1e3) * 1e3) };
        fd_set fds;
        FD_ZERO(&fds);
        FD_SET(ConnectionNumber(display), &fds);
        if (select(ConnectionNumber(display) + 1, &fds, NULL, NULL, &tv) < 0 && errno != EINTR)
            return 0;
    }
    XNextEvent(display, event);
    return 1;
}

int main(int argc, char **argv)
{
    if (argc < 4 || (strcmp(argv[1], "map") != 0 && strcmp(argv[1], "unmap") != 0)) {
        fprintf(stderr, "usage: keywait map|unmap -p PID [-t MS] [KEYSYM...]\n");
        return 2;
    }
    const int wantMap = strcmp(argv[1], "map") == 0;
    long pid = -1;
    double timeout = 10000;
    const char *defaultKeys[] = { "Control_L", "Super_L", "s" };
    const char **keys = defaultKeys;
    int keyCount = 3;
    int i = 2;
    for (; i < argc; i++) {
        if (!strcmp(argv[i], "-p") && i + 1 < argc)
            pid = atol(argv[++i]);
        else if (!strcmp(argv[i], "-t") && i + 1 < argc)
            timeout = atof(argv[++i]);
        else
            break;
    }
    if (i < argc) {
        keys = (const char **)(argv + i);
        keyCount = argc - i;
    }
    if (pid <= 0 || keyCount > 8)
        return 2;
    if (!(display = XOpenDisplay(NULL))) {
        fprintf(stderr, "keywait: no display\n");
        return 2;
    }
    XSetErrorHandler(ignoreErrors);
    const Window root = DefaultRootWindow(display);
    pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    KeyCode codes[8];
    for (int k = 0; k < keyCount; k++) {
        codes[k] = XKeysymToKeycode(display, XStringToKeysym(keys[k]));
        if (!codes[k]) {
            fprintf(stderr, "keywait: no key for %s\n", keys[k]);
            return 2;
        }
    }

    /* unmap: remember which of the process's top-levels are showing now */
    Window watched[64];
    int watchedCount = 0;
    if (!wantMap) {
        Window r, p, *top = NULL;
        unsigned int count = 0;
        XQueryTree(display, root, &r, &p, &top, &count);
        for (unsigned int k = 0; k < count && watchedCount < 64; k++)
            if (viewable(top[k]) && treePid(top[k], 3) == pid)
                watched[watchedCount++] = top[k];
        if (top)
            XFree(top);
        if (!watchedCount) {
            printf("unmap_ms=none_visible\n");
            return 1;
        }
    }
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    const double start = nowMs();
    for (int k = 0; k < keyCount; k++)
        XTestFakeKeyEvent(display, codes[k], True, CurrentTime);
    for (int k = keyCount - 1; k >= 0; k--)
        XTestFakeKeyEvent(display, codes[k], False, CurrentTime);
    XFlush(display);

    const double deadline = start + timeout;
    double hit = -1;
    XEvent event;
    while (hit < 0 && nextEvent(&event, deadline)) {
        if (wantMap && event.type == MapNotify && event.xmap.event == root
            && treePid(event.xmap.window, 3) == pid) {
            hit = nowMs() - start;
        } else if (!wantMap && (event.type == UnmapNotify || event.type == DestroyNotify)) {
            const Window w
                = event.type == UnmapNotify ? event.xunmap.window : event.xdestroywindow.window;
            for (int k = 0; k < watchedCount; k++)
                if (watched[k] == w)
                    hit = nowMs() - start;
        }
    }
    if (hit < 0)
        printf("%s_ms=timeout\n", argv[1]);
    else
        printf("%s_ms=%.2f\n", argv[1], hit);
    XCloseDisplay(display);
    return hit < 0;
}
