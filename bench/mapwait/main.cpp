// bench_mapwait [--title TITLE] [--timeout-ms N] [--hold-s S] -- PROGRAM [ARGS...]
//
// Starts PROGRAM and reports how long after the exec its top-level window
// named TITLE was mapped by the X server, and how long until the program
// first drew into it, with how much CPU time the program had used by each
// moment (all its threads; unlike the wall time, hardly swayed by other load
// on the machine); then, S seconds later, the program's resident memory; then
// ends the program. Prints one line:
//   map_ms=123.4 paint_ms=130.2 cpu_ms=98.7 paint_cpu_ms=104.1 rss_kb=45678 pid=4242
// and exits with 0, or with 1 (and a message on stderr) when the window was
// not mapped and drawn in time or the program ended first.
//
// Both moments are observed on the server side. SubstructureNotify on the
// root window announces each new top-level window, on which StructureNotify is
// selected at once so that its own MapNotify arrives whether or not a window
// manager reparents it into a frame, and a DAMAGE object is made, whose first
// report after the map is the program's first drawing into the window. For a
// program that builds its window before showing it, as both measured here
// do, that is the moment the user sees its contents rather than an empty
// frame; a program that drew an empty window first would be timed by that.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <set>
#include <string>

#include <dirent.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

pid_t g_child = -1;

double monotonicMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

// Windows come and go while we look at them: a BadWindow is no error here.
int ignoreXErrors(Display *, XErrorEvent *)
{
    return 0;
}

void endChild()
{
    if (g_child <= 0)
        return;
    kill(g_child, SIGTERM);
    for (int i = 0; i < 200; ++i) { // up to 2 s for an orderly exit
        if (waitpid(g_child, nullptr, WNOHANG) == g_child) {
            g_child = -1;
            return;
        }
        usleep(10000);
    }
    kill(g_child, SIGKILL);
    waitpid(g_child, nullptr, 0);
    g_child = -1;
}

void onSignal(int)
{
    if (g_child > 0)
        kill(g_child, SIGKILL);
    _exit(2);
}

bool childGone()
{
    int status = 0;
    if (waitpid(g_child, &status, WNOHANG) == g_child) {
        g_child = -1;
        return true;
    }
    return false;
}

std::string windowName(Display *dpy, Window w)
{
    static const Atom netWmName = XInternAtom(dpy, "_NET_WM_NAME", False);
    static const Atom utf8 = XInternAtom(dpy, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    std::string name;
    if (XGetWindowProperty(dpy, w, netWmName, 0, 1024, False, utf8, &type, &format, &count, &after, &data) == Success
        && data && type == utf8 && format == 8)
        name.assign(reinterpret_cast<char *>(data), count);
    if (data)
        XFree(data);
    if (!name.empty())
        return name;
    char *legacy = nullptr;
    if (XFetchName(dpy, w, &legacy) && legacy) {
        name = legacy;
        XFree(legacy);
    }
    return name;
}

long vmRssKb(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

// Time on the CPU of all threads of `pid`, from the scheduler's own
// nanosecond accounting.
double cpuMs(pid_t pid)
{
    const std::string dir = "/proc/" + std::to_string(pid) + "/task";
    double ns = 0;
    if (DIR *d = opendir(dir.c_str())) {
        while (dirent *e = readdir(d)) {
            if (e->d_name[0] == '.')
                continue;
            std::ifstream stat(dir + "/" + e->d_name + "/schedstat");
            double onCpu = 0;
            if (stat >> onCpu)
                ns += onCpu;
        }
        closedir(d);
    }
    return ns / 1e6;
}

int usage()
{
    std::fprintf(stderr, "usage: bench_mapwait [--title TITLE] [--timeout-ms N] [--hold-s S] -- PROGRAM [ARGS...]\n");
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    std::string title = "Belltide";
    int timeoutMs = 10000;
    double holdS = 0;
    int i = 1;
    for (; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--" ) {
            ++i;
            break;
        }
        if (i + 1 >= argc)
            return usage();
        if (a == "--title")
            title = argv[++i];
        else if (a == "--timeout-ms")
            timeoutMs = std::atoi(argv[++i]);
        else if (a == "--hold-s")
            holdS = std::atof(argv[++i]);
        else
            return usage();
    }
    if (i >= argc)
        return usage();
    char **program = argv + i;

    Display *dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        std::fprintf(stderr, "bench_mapwait: cannot open display %s\n", std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "(unset)");
        return 1;
    }
    int damageEvent = 0, damageError = 0;
    if (!XDamageQueryExtension(dpy, &damageEvent, &damageError)) {
        std::fprintf(stderr, "bench_mapwait: the X server has no DAMAGE extension\n");
        return 1;
    }
    XSetErrorHandler(ignoreXErrors);
    const Window root = DefaultRootWindow(dpy);
    XSelectInput(dpy, root, SubstructureNotifyMask);
    XSync(dpy, False);

    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);
    std::signal(SIGHUP, onSignal);

    const double start = monotonicMs();
    g_child = fork();
    if (g_child < 0) {
        std::perror("bench_mapwait: fork");
        return 1;
    }
    if (g_child == 0) {
        close(ConnectionNumber(dpy));
        prctl(PR_SET_PDEATHSIG, SIGKILL); // never outlive the measurement
        execvp(program[0], program);
        std::fprintf(stderr, "bench_mapwait: cannot run %s: %s\n", program[0], std::strerror(errno));
        _exit(127);
    }

    std::set<Window> mapped;
    std::map<Window, double> firstDrawn; // since the window's last map
    Window mainWindow = None;
    double mappedAt = -1, cpuAtMap = -1, paintedAt = -1, cpuAtPaint = -1;
    const auto drawnIn = [&](Window w, double when) {
        if (w == mainWindow && paintedAt < 0) {
            paintedAt = when;
            cpuAtPaint = cpuMs(g_child);
        }
    };
    const auto mappedWithTitle = [&](Window w, double when) {
        if (mainWindow != None || windowName(dpy, w) != title)
            return;
        mainWindow = w;
        mappedAt = when;
        cpuAtMap = cpuMs(g_child);
        if (const auto drawn = firstDrawn.find(w); drawn != firstDrawn.end())
            drawnIn(w, drawn->second);
    };
    const int fd = ConnectionNumber(dpy);
    while (paintedAt < 0) {
        while (paintedAt < 0 && XPending(dpy)) {
            XEvent ev;
            XNextEvent(dpy, &ev);
            const double now = monotonicMs();
            switch (ev.type) {
            case CreateNotify:
                if (ev.xcreatewindow.parent == root) {
                    const Window w = ev.xcreatewindow.window;
                    XSelectInput(dpy, w, StructureNotifyMask | PropertyChangeMask);
                    XDamageCreate(dpy, w, XDamageReportNonEmpty);
                    // It may have been mapped before the selection took hold.
                    XWindowAttributes wa;
                    if (XGetWindowAttributes(dpy, w, &wa) && wa.map_state != IsUnmapped) {
                        mapped.insert(w);
                        mappedWithTitle(w, monotonicMs());
                    }
                }
                break;
            case MapNotify:
                // Reported twice without a window manager (to the root and to
                // the window itself); the first is the moment.
                if (mapped.insert(ev.xmap.window).second)
                    mappedWithTitle(ev.xmap.window, now);
                break;
            case UnmapNotify:
                mapped.erase(ev.xunmap.window);
                firstDrawn.erase(ev.xunmap.window);
                break;
            case PropertyNotify:
                // A title given after the map counts from when it is given.
                if (mapped.count(ev.xproperty.window))
                    mappedWithTitle(ev.xproperty.window, now);
                break;
            default:
                if (ev.type == damageEvent + XDamageNotify) {
                    const auto &damage = reinterpret_cast<const XDamageNotifyEvent &>(ev);
                    if (mapped.count(damage.drawable) && firstDrawn.emplace(damage.drawable, now).second)
                        drawnIn(damage.drawable, now);
                }
                break;
            }
        }
        if (paintedAt >= 0)
            break;
        if (childGone()) {
            std::fprintf(stderr, "bench_mapwait: %s ended before its window \"%s\" was %s\n", program[0], title.c_str(),
                         mappedAt < 0 ? "mapped" : "drawn");
            return 1;
        }
        const double left = start + timeoutMs - monotonicMs();
        if (left <= 0) {
            std::fprintf(stderr, "bench_mapwait: no window \"%s\" %s within %d ms\n", title.c_str(),
                         mappedAt < 0 ? "mapped" : "drawn", timeoutMs);
            endChild();
            return 1;
        }
        pollfd pfd{fd, POLLIN, 0};
        poll(&pfd, 1, left < 50 ? static_cast<int>(left) + 1 : 50);
    }
    XCloseDisplay(dpy);

    const double holdUntil = monotonicMs() + holdS * 1000;
    while (monotonicMs() < holdUntil) {
        if (childGone()) {
            std::fprintf(stderr, "bench_mapwait: %s ended during the hold\n", program[0]);
            return 1;
        }
        usleep(20000);
    }
    const long rss = vmRssKb(g_child);
    const pid_t pid = g_child;
    endChild();
    std::printf("map_ms=%.1f paint_ms=%.1f cpu_ms=%.1f paint_cpu_ms=%.1f rss_kb=%ld pid=%d\n", mappedAt - start,
                paintedAt - start, cpuAtMap, cpuAtPaint, rss, static_cast<int>(pid));
    return 0;
}
