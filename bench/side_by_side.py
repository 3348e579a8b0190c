#!/usr/bin/env python3
"""CPU per record of the real Orvane window and of CuteCom, side by side.

Each figure starts the program afresh on its own X display, on a pseudo-terminal that this script
owns, opens the port by clicking as an operator would, measures the idle CPU, then writes records
one per write() at a fixed rate (or as fast as the reader takes them, for the flood) and reads the
process's run time from the scheduler (/proc/PID/task/*/schedstat). Only the executables, the pty
and X are touched, so the figures stay comparable while the program's code changes. Not a test.

A round counts only if the program's main window is the only one up on the display when its records
start and when they end (an error box that the peer or Orvane put up makes the round void, and the
log says so); a screenshot of the display at the end of each round is kept in build/side-by-side/.

bench/side_by_side.py [--quick] [--reps N] [--span S] [--rates 8,30,606,0] [--no-peer]
                      [--orvane LABEL=PATH ...]   (builds of Orvane side by side, each against CuteCom,
                                                   or with --no-peer against the last one named)
bench/side_by_side.py --profile DIR [--span S] [--rates 606,30] [--orvane LABEL=PATH]   (perf profile)
"""
import argparse
import fcntl
import os
import pty
import shutil
import signal
import statistics
import struct
import subprocess
import sys
import tempfile
import termios
import time
import tty

TICK = os.sysconf("SC_CLK_TCK")
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
RATES = (8, 30, 606)
FLOOD = 200000


def log(*args):
    print(*args, file=sys.stderr, flush=True)


def cpu_seconds(pid, threads=None):
    # The scheduler's own run time of every thread, in nanoseconds: utime and stime are sampled
    # at the clock tick, too coarse for a few milliseconds of work spread over many wakeups.
    # threads, where given, keeps each thread's last figure across calls: a thread that has ended
    # (Qt's pool lets its idle threads go 30 s after start) still counts what it used, where the
    # sum of the live ones would drop by it, as if the program had run backwards.
    threads = {} if threads is None else threads
    try:
        for task in os.listdir(f"/proc/{pid}/task"):
            try:
                with open(f"/proc/{pid}/task/{task}/schedstat") as f:
                    threads[task] = int(f.read().split()[0])
            except OSError:
                pass
    except OSError:
        pass
    if threads:
        return sum(threads.values()) / 1e9
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICK  # utime, stime


def rss_kb(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def record(i):
    # 19 bytes, like the instrument's: 190 bits a record, so 606 a second fill 115200 baud.
    return b"$ %08.3f %06.3f\r\n" % (1440 + (i * 7919 % 100000) / 1000, 10 + (i % 20000) / 1000)


def unread(fd):
    return struct.unpack("i", fcntl.ioctl(fd, termios.FIONREAD, b"\0\0\0\0"))[0]


class Display:
    """A private Xvfb on a display number the server picks itself."""

    def __init__(self):
        r, w = os.pipe()
        self.proc = subprocess.Popen(
            # 96 dpi: Orvane scales with the X server's DPI (Xvfb claims 100).
            ["Xvfb", "-displayfd", str(w), "-screen", "0", "1280x1024x24", "-dpi", "96",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(w)
        # Kept open: the server may write to it again.
        self.pipe = os.fdopen(r)
        number = self.pipe.readline().strip()
        if not number:
            raise SystemExit("Xvfb did not start")
        self.name = ":" + number
        self.env = dict(os.environ, DISPLAY=self.name)
        info = subprocess.run(["xwininfo", "-root"], env=self.env, capture_output=True, text=True)
        self.root = int(info.stdout.split("Window id:")[1].split()[0], 16)

    def windows_up(self):
        """The names of the windows mapped on the display, the root's children and theirs."""
        ids = subprocess.run(["xdotool", "search", "--onlyvisible", "--maxdepth", "1", "--name", ""],
                             env=self.env, capture_output=True, text=True).stdout.split()
        return [subprocess.run(["xdotool", "getwindowname", i], env=self.env, capture_output=True,
                               text=True).stdout.strip() for i in ids if int(i) != self.root]

    def screenshot(self, path):
        subprocess.run(["import", "-window", "root", path], env=self.env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def close(self):
        self.proc.terminate()
        self.proc.wait()
        self.pipe.close()


class Program:
    """How to start one program and make it open the port; subclasses fill in the details."""

    label = ""
    window = ""

    def __init__(self, work, device):
        self.work = work
        self.device = device

    def command(self):
        raise NotImplementedError

    def environment(self, env):
        return env

    def click(self, xdo, win):
        raise NotImplementedError


class Orvane(Program):
    label = "Orvane"
    window = "声速仪显示配置终端"
    path = os.path.join(ROOT, "build", "Orvane")

    def command(self):
        return [self.path]

    def environment(self, env):
        ports = os.path.join(self.work, "ports")
        os.makedirs(ports, exist_ok=True)
        os.symlink(self.device, os.path.join(ports, "COM1"))
        env["ORVANE_PORT_DIR"] = ports
        return env

    def click(self, xdo, win):
        # "打开串口" spans the bottom row of the serial-parameter group.
        xdo("mousemove", "--window", win, "102", "212", "click", "1")


def orvane_build(spec):
    """An Orvane executable given as LABEL=PATH."""
    label, path = spec.split("=", 1)
    return type(label, (Orvane,), dict(label=label, path=os.path.abspath(path)))


class CuteCom(Program):
    label = "CuteCom"
    window = "CuteCom"

    def command(self):
        return ["cutecom"]

    def environment(self, env):
        conf = os.path.join(self.work, "config", "CuteCom")
        os.makedirs(conf, exist_ok=True)
        # Hardware flow control, which a pty ignores (the bytes flow as with none): with none,
        # CuteCom sets DTR and RTS after opening, which a pty refuses, and it shows "Device Error"
        # in a modal box for the whole run.
        with open(os.path.join(conf, "CuteCom5.conf"), "w") as f:
            f.write("[sessions]\n1\\BaudRate=9600\n1\\DataBits=8\n1\\Device=%s\n"
                    "1\\FlowControl=1\n1\\OpenMode=3\n1\\Parity=0\n1\\StopBits=1\n"
                    "1\\autoReconnect=false\n1\\name=Default\n1\\showCtrlCharacters=false\n"
                    "1\\showTimestamp=false\nsize=1\n" % self.device)
        env["HOME"] = self.work
        env["XDG_CONFIG_HOME"] = os.path.join(self.work, "config")
        return env

    def click(self, xdo, win):
        # "Open" is the first button of the top row.
        xdo("mousemove", "--window", win, "50", "43", "click", "1")


class Session:
    """One program on one fresh pseudo-terminal, with the port open."""

    def __init__(self, kind, display):
        self.work = tempfile.mkdtemp(prefix="side-by-side-")
        self.threads = {}  # each thread's run time when last read
        self.master, self.slave = pty.openpty()
        tty.setraw(self.slave)
        os.set_blocking(self.master, True)
        self.device = os.ttyname(self.slave)
        self.display = display
        self.prog = kind(self.work, self.device)
        env = dict(os.environ, DISPLAY=display.name, QT_QPA_PLATFORM="xcb")
        runtime = os.path.join(self.work, "runtime")
        os.mkdir(runtime, 0o700)
        env["XDG_RUNTIME_DIR"] = runtime
        env = self.prog.environment(env)
        self.env = env
        self.out = open(os.path.join(self.work, "program.log"), "wb")
        self.proc = subprocess.Popen(self.prog.command(), env=env, stdin=subprocess.DEVNULL,
                                     stdout=self.out, stderr=self.out, cwd=self.work)
        self.pid = self.proc.pid
        try:
            self.open_port()
        except BaseException:
            self.close()
            raise

    def xdo(self, *args):
        return subprocess.run(["xdotool", *args], env=self.env, capture_output=True,
                              text=True).stdout.split()

    def fail(self, what):
        self.out.flush()
        with open(self.out.name, errors="replace") as f:
            tail = f.read()[-2000:]
        raise RuntimeError(f"{self.prog.label}: {what}\n{tail}")

    def has_port_open(self):
        fds = f"/proc/{self.pid}/fd"
        for fd in os.listdir(fds):
            try:
                if os.readlink(os.path.join(fds, fd)) == self.device:
                    return True
            except OSError:
                pass
        return False

    def open_port(self):
        win = None
        for _ in range(200):
            if self.proc.poll() is not None:
                self.fail("exited at start")
            found = self.xdo("search", "--onlyvisible", "--pid", str(self.pid), "--name",
                             self.prog.window)
            if found:
                win = found[0]
                break
            time.sleep(0.1)
        if win is None:
            self.fail("the window did not appear")
        time.sleep(1)
        for _ in range(3):
            self.prog.click(self.xdo, win)
            for _ in range(50):
                if self.has_port_open():
                    return
                time.sleep(0.1)
        self.fail(f"did not open {self.device} after three clicks")

    def quiet(self, limit=30.0, idle_rate=0.0):
        """Waits until the program has read everything and its CPU stays flat for a second."""
        end = time.monotonic() + limit
        calm = 0
        last = cpu_seconds(self.pid, self.threads)
        while time.monotonic() < end and calm < 2:
            time.sleep(0.5)
            now = cpu_seconds(self.pid, self.threads)
            flat = now - last <= idle_rate * 0.5 + 1.5 / TICK
            calm = calm + 1 if flat and unread(self.slave) == 0 else 0
            last = now
        if unread(self.slave):
            self.fail(f"left {unread(self.slave)} bytes unread")
        if calm < 2:
            log(f"  ({self.prog.label} still busy after {limit:g} s; the figure misses the rest)")

    def idle(self, span):
        self.quiet()
        self.rss_idle = rss_kb(self.pid)
        c0, t0 = cpu_seconds(self.pid, self.threads), time.monotonic()
        time.sleep(span)
        return (cpu_seconds(self.pid, self.threads) - c0) / (time.monotonic() - t0)

    def send(self, count, rate, idle_rate, during=None, first=0):
        """Writes count records from record first on, one per write(), paced at rate (0: flat
        out). Returns CPU seconds above idle, the records' wall time, and the longest single
        write() in seconds."""
        c0, t0 = cpu_seconds(self.pid, self.threads), time.monotonic()
        helper = during(self) if during else None
        longest = 0.0
        for i in range(count):
            if rate:
                wait = t0 + i / rate - time.monotonic()
                if wait > 0:
                    time.sleep(wait)
            w0 = time.monotonic()
            os.write(self.master, record(first + i))
            longest = max(longest, time.monotonic() - w0)
        sent = time.monotonic() - t0
        self.quiet(idle_rate=idle_rate)
        if helper:
            helper()
        if not self.has_port_open():
            self.fail("closed the port while records came")
        elapsed = time.monotonic() - t0
        used = cpu_seconds(self.pid, self.threads) - c0 - idle_rate * elapsed
        self.rss_end = rss_kb(self.pid)
        return used, sent, longest

    def close(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.out.close()
        os.close(self.master)
        os.close(self.slave)
        shutil.rmtree(self.work, ignore_errors=True)


def others_up(kind, display):
    return [name for name in display.windows_up() if kind.window not in name]


def one_figure(kind, display, rate, span, idle_span, shot):
    """One fresh start of the program; rate 0 is the flood. None if another window was up."""
    s = Session(kind, display)
    try:
        idle_rate = s.idle(idle_span)
        count = FLOOD if rate == 0 else int(rate * span)
        before = others_up(kind, display)
        used, sent, longest = s.send(count, rate, idle_rate)
        after = others_up(kind, display)
        display.screenshot(shot)
        what = "flood" if rate == 0 else f"{rate}/s"
        log(f"  {kind.label:8} {what:6}: {1000 * used / count:.3f} ms/record, "
            f"{used:.2f} s CPU, {count} records in {sent:.1f} s, idle {100 * idle_rate:.2f} %, "
            f"RSS {s.rss_idle / 1024:.1f} -> {s.rss_end / 1024:.1f} MB, longest write "
            f"{1000 * longest:.0f} ms; {os.path.relpath(shot, ROOT)}")
        if before or after:
            log(f"  void: up beside the main window: {sorted(set(before + after))}")
            return None
        return dict(per=1000 * used / count, cpu=used, rss=s.rss_idle,
                    growth=(s.rss_end - s.rss_idle) * 1024 / count, stall=1000 * longest)
    finally:
        s.close()


def figure(v):
    return f"{v:.0f}" if v >= 10 else f"{v:.2f}" if v >= 0.1 else f"{v:.3f}"


def span_of(values, unit=""):
    return f"{figure(min(values))} - {figure(max(values))}{unit}" if values else "-"


def measure(args):
    kinds = args.orvane
    if args.no_peer:
        pass
    elif shutil.which("cutecom"):
        kinds.append(CuteCom)
    else:
        print("CuteCom is not installed (apt-get install cutecom): no peer column.")
    shots = os.path.join(ROOT, "build", "side-by-side")
    shutil.rmtree(shots, ignore_errors=True)
    os.makedirs(shots)
    display = Display()
    # Per program and rate, each round's figure, None where the round was void.
    results = {k.label: {rate: [] for rate in args.rates} for k in kinds}
    try:
        for rep in range(args.reps):
            log(f"repetition {rep + 1} of {args.reps}, {args.span:g} s per rate:")
            # The programs take turns at each rate, and which goes first alternates, so that the
            # machine's drift over a run (seen up to a quarter) weighs on both alike.
            for rate in args.rates:
                for kind in kinds if rep % 2 == 0 else kinds[::-1]:
                    shot = os.path.join(shots, f"{kind.label}-{rate or 'flood'}-{rep + 1}.png")
                    r = one_figure(kind, display, rate, args.span, args.idle, shot)
                    results[kind.label][rate].append(r)
    finally:
        display.close()
    print_table(kinds, results, args)
    print(f"Screenshots at the end of each round: {shots}")


def print_table(kinds, results, args):
    # Each build against CuteCom; without the peer, each against the last build named, so that one
    # build named twice shows how far rounds of the same program stray from 1.
    ref = kinds[-1].label
    compared = len(kinds) > 1
    ours = [k.label for k in kinds[:-1]]
    head = ["measure", *[k.label for k in kinds]] + (
        [f"{o} / {ref}, median (each round)" for o in ours] if compared else [])
    rows = []

    def pick(label, rate, key):
        return [r[key] for r in results[label].get(rate, []) if r]

    def ratio(label, rate, key):
        # Within each round (the two programs ran side by side there), then the median; a round
        # either program had void shows as "void".
        pairs = zip(results[label].get(rate, []), results[ref].get(rate, []))
        rounds = [a[key] / b[key] if a and b and b[key] else None for a, b in pairs]
        kept = [r for r in rounds if r is not None]
        if not kept:
            return "-"
        each = " ".join("void" if r is None else f"{r:.2f}" for r in rounds)
        return f"{statistics.median(kept):.2f}" + (f" ({each})" if len(rounds) > 1 else "")

    def ratios(rate, key):
        return [ratio(o, rate, key) for o in ours] if compared else []

    for rate in (r for r in args.rates if r):
        name = f"{rate} records/s, ms of CPU per record"
        if rate == 606:
            name = "606 records/s (115200 baud), ms of CPU per record"
        cells = []
        for k in kinds:
            per = pick(k.label, rate, "per")
            share = [p * rate / 10 for p in per]  # ms per record to % of a core
            cells.append(f"{span_of(per)} ({span_of(share, ' %')})" if rate == 606 else
                         span_of(per))
        rows.append([name, *cells, *ratios(rate, "per")])
    dash = ["-"] * len(ratios(0, "cpu"))
    if 0 in args.rates:
        rows.append([f"flood of {FLOOD:,} records, s of CPU",
                     *[span_of(pick(k.label, 0, "cpu")) for k in kinds], *ratios(0, "cpu")])
        rows.append(["flood: longest single write() blocked, ms",
                     *[span_of(pick(k.label, 0, "stall")) for k in kinds], *dash])
    every = lambda label, key: [r[key] for rs in results[label].values() for r in rs if r]
    rows.append(["resident MB at idle after start",
                 *[span_of([v / 1024 for v in every(k.label, "rss")]) for k in kinds]] +
                ([ratio_of(every, o, ref, "rss") for o in ours] if compared else []))
    if 0 in args.rates:
        rows.append(["resident growth over the flood, bytes per record",
                     *[span_of(pick(k.label, 0, "growth")) for k in kinds], *dash])
    print(f"\nThe real window under Xvfb, records written one per write, idle CPU subtracted, "
          f"{args.span:g} s per rate, {args.reps} repetition(s), min - max:")
    widths = [max(len(r[i]) for r in [head] + rows) for i in range(len(head))]
    line = lambda cells: "| " + " | ".join(c.ljust(w) for c, w in zip(cells, widths)) + " |"
    print(line(head))
    print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
    for r in rows:
        print(line(r))


def ratio_of(every, label, ref, key):
    ours, theirs = every(label, key), every(ref, key)
    return f"{statistics.mean(ours) / statistics.mean(theirs):.1f}" if ours and theirs else "-"


def profile(args):
    """perf record of Orvane over the records span at each rate, cpu-clock sampling."""
    os.makedirs(args.profile, exist_ok=True)
    display = Display()
    try:
        for rate in args.rates:
            out = os.path.join(os.path.abspath(args.profile), f"perf-{rate}.data")

            def during(session, out=out):
                perf = subprocess.Popen(
                    # Sampled more often at low rates, for enough samples in the span.
                    ["perf", "record", "-e", "cpu-clock", "-F", "499" if rate > 100 else "3999",
                     "--call-graph",
                     "dwarf,32768", "-p", str(session.pid), "-o", out],
                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                time.sleep(1)

                def stop():
                    perf.send_signal(signal.SIGINT)
                    perf.wait()

                return stop

            s = Session(args.orvane[0], display)
            try:
                idle_rate = s.idle(args.idle)
                count = int(rate * args.span)
                used, sent, _ = s.send(count, rate, idle_rate, during)
                log(f"profiled {rate}/s: {count} records in {sent:.1f} s -> {out}")
            finally:
                s.close()
    finally:
        display.close()


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    p.add_argument("--quick", action="store_true", help="10 s per rate, one repetition")
    p.add_argument("--reps", type=int)
    p.add_argument("--span", type=float, help="seconds of records per rate")
    p.add_argument("--idle", type=float, help="seconds of idle measured before the records")
    p.add_argument("--no-peer", action="store_true")
    p.add_argument("--profile", metavar="DIR")
    p.add_argument("--rates", help="records per second, 0 for the flood (default 8,30,606,0; "
                   "with --profile 606,30)")
    p.add_argument("--orvane", action="append", metavar="LABEL=PATH",
                   help="an Orvane executable to measure (repeatable; default build/Orvane)")
    args = p.parse_args()
    args.span = args.span or (10 if args.quick else 60)
    args.reps = args.reps or (1 if args.quick else 3)
    args.idle = args.idle or args.span / 2
    args.rates = [int(r) for r in (args.rates or ("606,30" if args.profile else
                                                    ",".join(map(str, (*RATES, 0))))).split(",")]
    args.orvane = [orvane_build(o) for o in args.orvane or []] or [Orvane]
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    profile(args) if args.profile else measure(args)


if __name__ == "__main__":
    main()
