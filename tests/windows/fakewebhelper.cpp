// A stand-in for belltide-web that records what it is told. Every line it
// appends to the log file named by its first argument starts with its process
// id: "<pid> start", each command as received, "<pid> eof" at the end of its
// input. SIGUSR1 plays the user closing the window: it logs "<pid> closed",
// says "closed" on standard output and ends. With --ignore-eof as second
// argument it stays after its input ends, as a hung helper would.

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

int g_log = -1;
char g_closedLine[64];

void logLine(const std::string &line)
{
    const std::string text = std::to_string(::getpid()) + ' ' + line + '\n';
    [[maybe_unused]] const ssize_t n = ::write(g_log, text.data(), text.size());
}

void onClose(int)
{
    [[maybe_unused]] ssize_t n = ::write(g_log, g_closedLine, std::strlen(g_closedLine));
    n = ::write(STDOUT_FILENO, "closed\n", 7);
    ::_exit(0);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 2)
        return 2;
    g_log = ::open(argv[1], O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (g_log < 0)
        return 2;
    const bool ignoreEof = argc > 2 && std::strcmp(argv[2], "--ignore-eof") == 0;
    std::snprintf(g_closedLine, sizeof g_closedLine, "%d closed\n", int(::getpid()));
    std::signal(SIGUSR1, onClose);
    std::signal(SIGPIPE, SIG_IGN);

    logLine("start");
    std::string line;
    char c;
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, &c, 1);
        if (n < 0)
            continue;
        if (n == 0)
            break;
        if (c == '\n') {
            logLine(line);
            line.clear();
        } else {
            line += c;
        }
    }
    logLine("eof");
    while (ignoreEof)
        ::pause();
    return 0;
}
