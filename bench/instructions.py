#!/usr/bin/env python3
"""Instructions per record of builds of Orvane and of CuteCom: a figure that holds still.

CPU time per record swings by a third from run to run on a shared virtual machine, which hides a
change of a few per cent. The instructions a record takes barely move (0.1 % between runs of one
build in a row, about 1 % across sessions), so builds are compared here first and timed side by
side after. Each build runs under valgrind's callgrind in the real window on its own Xvfb display
and pseudo-terminal, is fed WARM records first (past the status area's first screenfuls, where the
scroll bar's slider still shrinks and the document's layout has few checkpoints), then RECORDS at
RATE records/s with counting on. Instructions are not time: a cache miss costs none here, nor does
the kernel's work on a wakeup. --peer counts CuteCom the same way. Not a test.

bench/instructions.py [--rate 8] [--records 100] [--warm 150] [--peer] LABEL=PATH [LABEL=PATH ...]
"""
import argparse
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import side_by_side as sbs  # noqa: E402


def under_callgrind(kind, out):
    def command(self):
        return ["valgrind", "--tool=callgrind", "--instr-atstart=no",
                f"--callgrind-out-file={out}", *kind.command(self)]
    return type(kind.label, (kind,), dict(command=command))


def count(kind, args, work):
    label = kind.label
    out = os.path.join(work, f"callgrind-{label}.out")
    display = sbs.Display()
    session = sbs.Session(under_callgrind(kind, out), display)
    try:
        def control(*flags):
            subprocess.run(["callgrind_control", *flags, str(session.pid)], capture_output=True,
                           check=True)

        session.send(args.warm, 15, 0.0)  # 15 a second: what callgrind keeps up with
        control("-i", "on")
        session.send(args.records, args.rate, 0.0, first=args.warm)
        control("-i", "off")
        control("-d")  # dumps what was counted
        time.sleep(1)
    finally:
        session.close()
        display.close()
    total = 0
    for dump in glob.glob(out + "*"):
        with open(dump) as f:
            for line in f:
                if line.startswith(("summary:", "totals:")):
                    total = max(total, int(line.split()[1]))
    if total == 0:
        raise SystemExit(f"{label}: callgrind counted nothing ({out})")
    return total / args.records, max(glob.glob(out + "*"), key=os.path.getmtime)


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawTextHelpFormatter)
    p.add_argument("--rate", type=float, default=8)
    p.add_argument("--records", type=int, default=100)
    p.add_argument("--warm", type=int, default=150)
    p.add_argument("--peer", action="store_true", help="CuteCom too, last")
    p.add_argument("builds", nargs="+", metavar="LABEL=PATH")
    args = p.parse_args()
    for tool in ("valgrind", "callgrind_control", "Xvfb", "xdotool") + (("cutecom",) * args.peer):
        if not shutil.which(tool):
            raise SystemExit(f"needs {tool} (apt-get install valgrind xvfb xdotool cutecom)")
    work = tempfile.mkdtemp(prefix="instructions-")
    kinds = [sbs.orvane_build(build) for build in args.builds]
    first = None
    for kind in kinds + [sbs.CuteCom] * args.peer:
        label = kind.label
        per_record, dump = count(kind, args, work)
        first = first or per_record
        print(f"{label:12} {per_record / 1000:8.1f} k instructions per record  "
              f"{per_record / first:5.3f} of the first  ({dump})", flush=True)


if __name__ == "__main__":
    main()
