/* Drags files onto the X window at a point of the screen, as a file manager does: XDND with
 * a text/uri-list, offering copy or move.
 *   xdnd-drop X Y copy|move PATH...
 * Prints the action the target accepted (copy, move, private, ask or none) and exits 0 when
 * the drop finished, 1 when it was refused, 2 on a usage or protocol error. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static Display* display;
static Window source;
static Atom aware, enter, position, status, drop, finished, leave, selection, uriList, copy, move;

static void sendMessage(Window target, Atom type, long l1, long l2, long l3, long l4)
{
    XEvent event = {0};
    event.xclient.type = ClientMessage;
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

/* The next event of `type` (a ClientMessage type, or SelectionRequest when 0) within 5 s;
 * selection requests met on the way are answered with `data`. */
static int await(Atom type, const char* data, XEvent* out)
{
    const time_t deadline = time(NULL) + 5;
    while (time(NULL) < deadline) {
        if (!XPending(display)) {
            struct pollfd fd = {ConnectionNumber(display), POLLIN, 0};
            poll(&fd, 1, 100);
            continue;
        }
        XNextEvent(display, out);
        if (out->type == SelectionRequest) {
            XSelectionRequestEvent* request = &out->xselectionrequest;
            XEvent reply = {0};
            reply.xselection.type = SelectionNotify;
            reply.xselection.requestor = request->requestor;
            reply.xselection.selection = request->selection;
            reply.xselection.target = request->target;
            reply.xselection.time = request->time;
            reply.xselection.property = None;
            if (request->target == uriList) {
                XChangeProperty(display, request->requestor, request->property, uriList, 8, PropModeReplace,
                                (const unsigned char*)data, (int)strlen(data));
                reply.xselection.property = request->property;
            }
            XSendEvent(display, request->requestor, False, NoEventMask, &reply);
            XFlush(display);
        } else if (out->type == ClientMessage && out->xclient.message_type == type) {
            return 1;
        }
    }
    return 0;
}

/* A file URI of an absolute path, each byte outside the unreserved set percent-encoded. */
static void appendUri(char* list, const char* path)
{
    static const char hex[] = "0123456789ABCDEF";
    char* end = list + strlen(list);
    end += sprintf(end, "file://");
    for (const unsigned char* c = (const unsigned char*)path; *c; ++c) {
        if ((*c >= 'A' && *c <= 'Z') || (*c >= 'a' && *c <= 'z') || (*c >= '0' && *c <= '9') || strchr("/-._~", *c)) {
            *end++ = (char)*c;
        } else {
            *end++ = '%';
            *end++ = hex[*c >> 4];
            *end++ = hex[*c & 15];
        }
    }
    strcpy(end, "\r\n");
}

static const char* actionName(Atom action)
{
    if (action == copy)
        return "copy";
    if (action == move)
        return "move";
    if (action == None)
        return "none";
    char* name = XGetAtomName(display, action);
    return name ? name : "unknown";
}

int main(int argc, char** argv)
{
    if (argc < 5 || (strcmp(argv[3], "copy") && strcmp(argv[3], "move"))) {
        fprintf(stderr, "usage: xdnd-drop X Y copy|move PATH...\n");
        return 2;
    }
    display = XOpenDisplay(NULL);
    if (!display)
        return 2;
    const int x = atoi(argv[1]), y = atoi(argv[2]);
    const Window root = DefaultRootWindow(display);
    source = XCreateSimpleWindow(display, root, 0, 0, 1, 1, 0, 0, 0);
    aware = XInternAtom(display, "XdndAware", False);
    enter = XInternAtom(display, "XdndEnter", False);
    position = XInternAtom(display, "XdndPosition", False);
    status = XInternAtom(display, "XdndStatus", False);
    drop = XInternAtom(display, "XdndDrop", False);
    finished = XInternAtom(display, "XdndFinished", False);
    leave = XInternAtom(display, "XdndLeave", False);
    selection = XInternAtom(display, "XdndSelection", False);
    uriList = XInternAtom(display, "text/uri-list", False);
    copy = XInternAtom(display, "XdndActionCopy", False);
    move = XInternAtom(display, "XdndActionMove", False);
    XSetSelectionOwner(display, selection, source, CurrentTime);

    size_t size = 1;
    for (int i = 4; i < argc; ++i)
        size += 3 * strlen(argv[i]) + 16;
    char* list = calloc(size, 1);
    for (int i = 4; i < argc; ++i)
        appendUri(list, argv[i]);

    /* The top-level window under the point, which must say it takes drops. */
    Window target = None;
    int tx, ty;
    XTranslateCoordinates(display, root, root, x, y, &tx, &ty, &target);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* version = NULL;
    if (!target || XGetWindowProperty(display, target, aware, 0, 1, False, XA_ATOM, &type, &format, &count, &after,
                                      &version) != Success || count != 1) {
        fprintf(stderr, "xdnd-drop: no drop target at %d,%d\n", x, y);
        return 2;
    }
    const long protocol = *(const Atom*)version < 5 ? (long)*(const Atom*)version : 5;

    XEvent event;
    sendMessage(target, enter, protocol << 24, (long)uriList, 0, 0);
    sendMessage(target, position, 0, ((long)x << 16) | y, CurrentTime, (long)(strcmp(argv[3], "copy") ? move : copy));
    if (!await(status, list, &event)) {
        fprintf(stderr, "xdnd-drop: the target did not answer\n");
        return 2;
    }
    const int accepted = event.xclient.data.l[1] & 1;
    printf("%s\n", accepted ? actionName((Atom)event.xclient.data.l[4]) : "none");
    if (!accepted) {
        sendMessage(target, leave, 0, 0, 0, 0);
        return 1;
    }
    sendMessage(target, drop, 0, CurrentTime, 0, 0);
    return await(finished, list, &event) ? 0 : 2;
}
