/* Drops data onto an X window the way a file manager or a browser does (the XDND protocol,
 * version 5), for the end-to-end tests: Wine turns such a drop into calls on the window's OLE drop
 * target.
 *
 *   xdnd_drop WINDOW X Y TYPE DATA [SECONDS]
 *
 * WINDOW is the X window id of the target's top-level window (the one with XdndAware or a child of
 * it), X and Y the pointer in root coordinates, TYPE the one type offered ("text/uri-list" for files,
 * "UTF8_STRING" for text) and DATA its bytes. Waits up to SECONDS (default 60) for the target to
 * finish. Prints "accepted ACTION" or "refused", then "finished"; exit code 0 when the drop was
 * accepted and finished, 1 when refused, 2 on a time-out or a bad argument. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/select.h>
#include <time.h>

static Display* display;
static Window source;
static Atom xdndAware, xdndSelection, xdndEnter, xdndPosition, xdndStatus, xdndDrop, xdndFinished, xdndLeave,
    actionCopy;

static double Now(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec / 1e9;
}

static void Send(Window target, Atom type, long l1, long l2, long l3, long l4) {
    XEvent event;
    memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.display = display;
    event.xclient.window = target;
    event.xclient.message_type = type;
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)source;
    event.xclient.data.l[1] = l1;
    event.xclient.data.l[2] = l2;
    event.xclient.data.l[3] = l3;
    event.xclient.data.l[4] = l4;
    XSendEvent(display, target, False, NoEventMask, &event);
    XFlush(display);
}

/* The window itself or the nearest ancestor that says it takes XDND drops. */
static Window AwareWindow(Window w) {
    while (w) {
        Atom type;
        int format;
        unsigned long count, after;
        unsigned char* value = NULL;
        if (XGetWindowProperty(display, w, xdndAware, 0, 1, False, AnyPropertyType, &type, &format, &count,
                               &after, &value) == Success &&
            value) {
            XFree(value);
            if (count > 0) return w;
        }
        Window root, parent, *children = NULL;
        unsigned int n;
        if (!XQueryTree(display, w, &root, &parent, &children, &n)) return 0;
        if (children) XFree(children);
        w = parent == root ? 0 : parent;
    }
    return 0;
}

/* Answers a request for the dragged data (Wine asks for it on entering, and again on the drop). */
static void Answer(XSelectionRequestEvent* request, Atom type, const char* data) {
    XEvent reply;
    memset(&reply, 0, sizeof reply);
    reply.xselection.type = SelectionNotify;
    reply.xselection.requestor = request->requestor;
    reply.xselection.selection = request->selection;
    reply.xselection.target = request->target;
    reply.xselection.time = request->time;
    reply.xselection.property = None;
    if (request->target == type) {
        Atom property = request->property ? request->property : request->target;
        XChangeProperty(display, request->requestor, property, type, 8, PropModeReplace,
                        (const unsigned char*)data, (int)strlen(data));
        reply.xselection.property = property;
    }
    XSendEvent(display, request->requestor, False, NoEventMask, &reply);
    XFlush(display);
}

/* Handles events until a client message of `wanted` arrives at the source; 0 on a time-out. */
static int WaitFor(Atom wanted, double deadline, Atom type, const char* data, XClientMessageEvent* got) {
    int fd = ConnectionNumber(display);
    for (;;) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == SelectionRequest) {
                Answer(&event.xselectionrequest, type, data);
            } else if (event.type == ClientMessage && event.xclient.message_type == wanted) {
                *got = event.xclient;
                return 1;
            }
        }
        double left = deadline - Now();
        if (left <= 0) return 0;
        fd_set set;
        FD_ZERO(&set);
        FD_SET(fd, &set);
        struct timeval wait = {0, 50000};
        select(fd + 1, &set, NULL, NULL, &wait);
    }
}

int main(int argc, char** argv) {
    if (argc < 6) {
        fprintf(stderr, "usage: xdnd_drop WINDOW X Y TYPE DATA [SECONDS]\n");
        return 2;
    }
    display = XOpenDisplay(NULL);
    if (!display) return 2;
    const Window given = (Window)strtoul(argv[1], NULL, 0);
    const int x = atoi(argv[2]), y = atoi(argv[3]);
    const double seconds = argc > 6 ? atof(argv[6]) : 60.0;
    xdndAware = XInternAtom(display, "XdndAware", False);
    xdndSelection = XInternAtom(display, "XdndSelection", False);
    xdndEnter = XInternAtom(display, "XdndEnter", False);
    xdndPosition = XInternAtom(display, "XdndPosition", False);
    xdndStatus = XInternAtom(display, "XdndStatus", False);
    xdndDrop = XInternAtom(display, "XdndDrop", False);
    xdndFinished = XInternAtom(display, "XdndFinished", False);
    xdndLeave = XInternAtom(display, "XdndLeave", False);
    actionCopy = XInternAtom(display, "XdndActionCopy", False);
    const Atom type = XInternAtom(display, argv[4], False);
    const char* data = argv[5];

    Window target = AwareWindow(given);
    if (!target) {
        fprintf(stderr, "xdnd_drop: no XdndAware window at or above 0x%lx\n", (unsigned long)given);
        return 2;
    }
    source = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(display, xdndSelection, source, CurrentTime);

    const double deadline = Now() + seconds;
    XClientMessageEvent reply;
    Send(target, xdndEnter, 5L << 24, (long)type, 0, 0);
    Send(target, xdndPosition, 0, ((long)x << 16) | (y & 0xFFFF), CurrentTime, (long)actionCopy);
    if (!WaitFor(xdndStatus, deadline, type, data, &reply)) {
        fprintf(stderr, "xdnd_drop: no XdndStatus\n");
        return 2;
    }
    if (!(reply.data.l[1] & 1)) {
        printf("refused\n");
        Send(target, xdndLeave, 0, 0, 0, 0);
        XCloseDisplay(display);
        return 1;
    }
    printf("accepted %s\n", reply.data.l[4] ? XGetAtomName(display, (Atom)reply.data.l[4]) : "none");
    fflush(stdout);
    Send(target, xdndDrop, 0, CurrentTime, 0, 0);
    if (!WaitFor(xdndFinished, deadline, type, data, &reply)) {
        fprintf(stderr, "xdnd_drop: no XdndFinished\n");
        return 2;
    }
    printf("finished\n");
    XCloseDisplay(display);
    return 0;
}
