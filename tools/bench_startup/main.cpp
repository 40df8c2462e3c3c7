// Starts a program and prints the milliseconds from just before exec to the moment the X server
// maps its pet window (with --cpu, then also the CPU time the program had used by then): a top-level window of class
// "tamsel" and type utility whose title is not the speech bubble's. Top-level windows are seen as they are created
// (SubstructureNotify on the root window) and each is then watched for its own MapNotify, so the time comes from the X
// server's events rather than from polling. The program is then sent SIGTERM and awaited, unless
// --keep is given (then its pid is printed on a second line and it runs on).
#include <xcb/xcb.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

double nowMs()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

xcb_atom_t atom(xcb_connection_t *connection, const char *name)
{
    auto *reply
        = xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : XCB_ATOM_NONE;
    std::free(reply);
    return result;
}

std::string property(xcb_connection_t *connection, xcb_window_t window, xcb_atom_t name, xcb_atom_t type)
{
    auto *reply
        = xcb_get_property_reply(connection, xcb_get_property(connection, 0, window, name, type, 0, 1024), nullptr);
    std::string value;
    if (reply && reply->format != 0)
        value.assign(static_cast<const char *>(xcb_get_property_value(reply)),
            size_t(xcb_get_property_value_length(reply)) * (reply->format / 8));
    std::free(reply);
    return value;
}

struct Atoms {
    xcb_atom_t windowType, utility, netName, utf8;
};

bool isPetWindow(xcb_connection_t *connection, const Atoms &atoms, xcb_window_t window)
{
    const std::string wmClass = property(connection, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING);
    if (wmClass.find("tamsel") == std::string::npos)
        return false;
    const std::string types = property(connection, window, atoms.windowType, XCB_ATOM_ATOM);
    bool utility = false;
    for (size_t i = 0; i + sizeof(xcb_atom_t) <= types.size(); i += sizeof(xcb_atom_t)) {
        xcb_atom_t type;
        std::memcpy(&type, types.data() + i, sizeof type);
        utility = utility || type == atoms.utility;
    }
    const std::string title = property(connection, window, atoms.netName, atoms.utf8)
        + property(connection, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING);
    return utility && title.find("speech bubble") == std::string::npos;
}

// User and system time of a process in milliseconds, from /proc; -1 when it cannot be read.
double cpuMs(pid_t pid)
{
    const std::string path = "/proc/" + std::to_string(pid) + "/stat";
    FILE *file = std::fopen(path.c_str(), "r");
    if (!file)
        return -1;
    char buffer[1024] = {};
    const size_t length = std::fread(buffer, 1, sizeof buffer - 1, file);
    std::fclose(file);
    // The fields after the command's closing parenthesis: state is the 3rd, utime the 14th.
    const char *rest = std::strrchr(buffer, ')');
    unsigned long user = 0, system = 0;
    if (length == 0 || !rest
        || std::sscanf(rest + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &user, &system) != 2)
        return -1;
    return double(user + system) * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

bool isViewable(xcb_connection_t *connection, xcb_window_t window)
{
    auto *reply = xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, window), nullptr);
    const bool viewable = reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(reply);
    return viewable;
}

} // namespace

int main(int argc, char **argv)
{
    int timeoutMs = 10000;
    bool keep = false;
    bool cpu = false;
    int first = 1;
    for (; first < argc && argv[first][0] == '-'; ++first) {
        if (std::strcmp(argv[first], "--timeout-ms") == 0 && first + 1 < argc)
            timeoutMs = std::atoi(argv[++first]);
        else if (std::strcmp(argv[first], "--keep") == 0)
            keep = true;
        else if (std::strcmp(argv[first], "--cpu") == 0)
            cpu = true;
        else
            break;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: bench_startup [--timeout-ms N] [--keep] [--cpu] PROGRAM [ARGS...]\n");
        return 2;
    }

    int screenNumber = 0;
    xcb_connection_t *connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "bench_startup: no X display\n");
        return 2;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const Atoms atoms { atom(connection, "_NET_WM_WINDOW_TYPE"), atom(connection, "_NET_WM_WINDOW_TYPE_UTILITY"),
        atom(connection, "_NET_WM_NAME"), atom(connection, "UTF8_STRING") };
    const uint32_t rootMask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &rootMask);
    xcb_flush(connection);

    const double start = nowMs();
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[first], argv + first);
        std::perror("bench_startup: exec");
        _exit(127);
    }

    double mappedAt = -1, cpuAtMap = -1;
    const int fd = xcb_get_file_descriptor(connection);
    while (mappedAt < 0 && nowMs() - start < timeoutMs) {
        pollfd wait { fd, POLLIN, 0 };
        poll(&wait, 1, 50);
        while (xcb_generic_event_t *event = xcb_poll_for_event(connection)) {
            const double at = nowMs();
            const uint8_t type = event->response_type & 0x7f;
            xcb_window_t candidate = XCB_WINDOW_NONE;
            if (type == XCB_CREATE_NOTIFY) {
                const auto *created = reinterpret_cast<xcb_create_notify_event_t *>(event);
                const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
                xcb_change_window_attributes(connection, created->window, XCB_CW_EVENT_MASK, &mask);
                // The window may have been mapped before the mask arrived.
                if (isViewable(connection, created->window))
                    candidate = created->window;
            } else if (type == XCB_MAP_NOTIFY) {
                candidate = reinterpret_cast<xcb_map_notify_event_t *>(event)->window;
            }
            std::free(event);
            if (candidate != XCB_WINDOW_NONE && mappedAt < 0 && isPetWindow(connection, atoms, candidate)) {
                mappedAt = at;
                cpuAtMap = cpuMs(child);
            }
        }
        if (xcb_connection_has_error(connection))
            break;
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child) {
            std::fprintf(stderr, "bench_startup: the program ended before its window was mapped\n");
            return 1;
        }
    }
    xcb_disconnect(connection);

    if (mappedAt >= 0 && cpu)
        std::printf("%.1f %.0f\n", mappedAt - start, cpuAtMap);
    else if (mappedAt >= 0)
        std::printf("%.1f\n", mappedAt - start);
    else
        std::fprintf(stderr, "bench_startup: no pet window within %d ms\n", timeoutMs);
    if (keep && mappedAt >= 0) {
        std::printf("%d\n", int(child));
        return 0;
    }
    kill(child, SIGTERM);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) { }
    return mappedAt >= 0 ? 0 : 1;
}
