// orvane-sim: plays the sound velocimeter on a pseudo-terminal, for demonstrations and tests.
#include "instrument.h"
#include "mackenzie.h"
#include "terminal_speed.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {
volatile std::sig_atomic_t stop_requested = 0;
void on_signal(int) {
    stop_requested = 1;
}

const char usage[] =
    "usage: orvane-sim [options] [PORT_DIR]\n"
    "Plays the sound velocimeter on a pseudo-terminal linked as PORT_DIR/COMn\n"
    "(PORT_DIR defaults to $ORVANE_PORT_DIR).\n"
    "  --port NAME          link name, default COM1\n"
    "  --baud N             the instrument's own baud rate at start, default 9600\n"
    "  --rate N             records per second at start, 1..30, default 8\n"
    "  --line-speed         send records back to back, as fast as the baud rate carries them\n"
    "  --no-temperature     start with the temperature output disabled\n"
    "  --temperature T      start water temperature in degC, default 15\n"
    "  --salinity S         salinity in ppt, default 35\n"
    "  --depth D            depth in metres, default 0\n"
    "  --seed N             random seed, for a reproducible run\n"
    "  --burst K            write K records at a time (K periods apart)\n"
    "  --noise-every N      after every N-th record, send a few bytes of line noise (no \"$\")\n"
    "  --nul-every N        put a NUL byte inside every N-th record\n"
    "  --hangup-after N     hang up after N records (the device-loss case)\n"
    "  --records N          stop after N records and exit\n"
    "  --check              print the equation's check value and exit\n";

struct options {
    std::string port_dir, port = "COM1";
    instrument_settings start;
    bool line_speed = false;
    double temperature = 15, salinity = 35, depth = 0;
    unsigned long long seed = 0;
    bool seeded = false;
    long burst = 1, noise_every = 0, nul_every = 0, hangup_after = 0, records = 0;
};

bool parse_number(const char *text, double *out) {
    char *end = nullptr;
    errno = 0;
    *out = std::strtod(text, &end);
    return errno == 0 && end != text && *end == '\0';
}

bool parse(int argc, char **argv, options *o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](double *out) { return i + 1 < argc && parse_number(argv[++i], out); };
        double v = 0;
        if (a == "--port" && i + 1 < argc)
            o->port = argv[++i];
        else if (a == "--baud" && value(&v) && baud_speed(int(v)) != 0)
            o->start.baud = int(v);
        else if (a == "--rate" && value(&v) && v >= 1 && v <= 30)
            o->start.rate = int(v);
        else if (a == "--line-speed")
            o->line_speed = true;
        else if (a == "--no-temperature")
            o->start.temperature = false;
        else if (a == "--temperature" && value(&o->temperature))
            ;
        else if (a == "--salinity" && value(&o->salinity))
            ;
        else if (a == "--depth" && value(&o->depth))
            ;
        else if (a == "--seed" && value(&v))
            o->seed = (unsigned long long)v, o->seeded = true;
        else if (a == "--burst" && value(&v) && v >= 1)
            o->burst = long(v);
        else if (a == "--noise-every" && value(&v) && v >= 1)
            o->noise_every = long(v);
        else if (a == "--nul-every" && value(&v) && v >= 1)
            o->nul_every = long(v);
        else if (a == "--hangup-after" && value(&v) && v >= 1)
            o->hangup_after = long(v);
        else if (a == "--records" && value(&v) && v >= 1)
            o->records = long(v);
        else if (a[0] != '-' && o->port_dir.empty())
            o->port_dir = a;
        else
            return false;
    }
    if (o->port_dir.empty() && std::getenv("ORVANE_PORT_DIR"))
        o->port_dir = std::getenv("ORVANE_PORT_DIR");
    return !o->port_dir.empty();
}

// True while the terminal's end of the line is set as the instrument's own: its baud, 8N1.
bool line_matches(int slave_fd, int baud) {
    termios tio;
    if (tcgetattr(slave_fd, &tio) != 0)
        return true;
    return baud_of(cfgetospeed(&tio)) == baud && (tio.c_cflag & CSIZE) == CS8 &&
           !(tio.c_cflag & PARENB) && !(tio.c_cflag & CSTOPB);
}

// What a receiver at the wrong settings makes of the bytes: framing garbage.
std::string garble(const std::string &bytes, std::mt19937_64 &rng) {
    std::string out;
    for (size_t i = 0; i < bytes.size(); ++i)
        out += char(0x80 | (rng() & 0x7f));
    return out;
}

// Writes what the line takes now; a full buffer (nobody reading) drops the rest, as a real
// instrument's output is lost when no one listens.
void line_write(int fd, const std::string &bytes, long long *sent_bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            return;
        done += size_t(n);
        *sent_bytes += n;
    }
}
} // namespace

int main(int argc, char **argv) {
    options o;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--check") == 0) {
            std::printf("%.3f\n", mackenzie_velocity(25, 35, 1000));
            return 0;
        } else if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(usage, stdout);
            return 0;
        }
    if (!parse(argc, argv, &o)) {
        std::fputs(usage, stderr);
        return 2;
    }
    if (!o.seeded)
        o.seed = (unsigned long long)std::chrono::steady_clock::now().time_since_epoch().count();

    int master = -1, slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::perror("orvane-sim: openpty");
        return 1;
    }
    termios tio;
    tcgetattr(slave, &tio);
    cfmakeraw(&tio);
    cfsetspeed(&tio, baud_speed(o.start.baud));
    tcsetattr(slave, TCSANOW, &tio);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);

    const std::string link = o.port_dir + "/" + o.port;
    ::unlink(link.c_str());
    if (::symlink(name, link.c_str()) != 0) {
        std::fprintf(stderr, "orvane-sim: cannot link %s: %s\n", link.c_str(),
                     std::strerror(errno));
        return 1;
    }
    std::signal(SIGINT, on_signal);
    std::signal(SIGTERM, on_signal);
    std::signal(SIGPIPE, SIG_IGN);
    std::printf("orvane-sim: %s -> %s (instrument at %d 8N1, %d records/s)\n", link.c_str(), name,
                o.start.baud, o.start.rate);
    std::fflush(stdout);

    instrument probe(o.start, o.salinity, o.depth, o.temperature, o.seed);
    using clock = std::chrono::steady_clock;
    auto next = clock::now();
    std::string command;
    long long records = 0, sent_bytes = 0;
    bool hung_up = false;

    while (!stop_requested) {
        const int baud = probe.settings().baud;
        // One record of ~19 bytes takes 10 bits a byte on the line.
        const auto period = o.line_speed
                                ? std::chrono::microseconds(19LL * 10 * 1000000 / baud)
                                : std::chrono::microseconds(1000000 / probe.settings().rate);
        const auto now = clock::now();
        int wait_ms = 0;
        if (next > now)
            wait_ms =
                int(std::chrono::duration_cast<std::chrono::milliseconds>(next - now).count());
        pollfd p = {master, POLLIN, 0};
        const int ready = ::poll(&p, 1, wait_ms);
        if (ready > 0 && (p.revents & POLLIN)) {
            char buf[512];
            const ssize_t n = ::read(master, buf, sizeof buf);
            const bool matched = line_matches(slave, baud);
            for (ssize_t i = 0; i < n; ++i) {
                if (buf[i] == '\r') {
                    // Garbled commands from a mismatched line are lost, as on a real one.
                    const std::string reply = matched ? probe.command(command) : std::string();
                    if (!reply.empty())
                        line_write(master, reply, &sent_bytes);
                    command.clear();
                } else if (buf[i] != '\n') {
                    command += buf[i];
                    if (command.size() > 80) {
                        line_write(master, "ERR command too long\r\n", &sent_bytes);
                        command.clear();
                    }
                }
            }
            continue;
        }
        if (clock::now() < next)
            continue;
        std::string out;
        for (long k = 0; k < o.burst; ++k) {
            std::string record = probe.next_record();
            ++records;
            if (o.nul_every && records % o.nul_every == 0)
                record.insert(record.size() / 2, 1, '\0');
            out += record;
            if (o.noise_every && records % o.noise_every == 0) {
                const int length = 1 + int(probe.random()() % 12);
                for (int i = 0; i < length; ++i) {
                    char c = char(probe.random()() & 0xff);
                    out += c == '$' ? '#' : c;
                }
            }
            if ((o.hangup_after && records >= o.hangup_after) ||
                (o.records && records >= o.records))
                break;
        }
        if (!line_matches(slave, probe.settings().baud))
            out = garble(out, probe.random());
        line_write(master, out, &sent_bytes);
        next += period * o.burst;
        if (next < clock::now() - std::chrono::seconds(1))
            next = clock::now();
        if (o.hangup_after && records >= o.hangup_after) {
            hung_up = true;
            break;
        }
        if (o.records && records >= o.records)
            break;
    }
    if (o.records && !hung_up)
        ::usleep(200000); // let the last bytes be read before the line goes away
    ::unlink(link.c_str());
    ::close(master);
    ::close(slave);
    std::fprintf(stderr, "orvane-sim: %s after %lld records, %lld bytes sent\n",
                 hung_up ? "hung up" : "stopped", records, sent_bytes);
    return 0;
}
