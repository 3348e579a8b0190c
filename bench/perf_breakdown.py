#!/usr/bin/env python3
"""Where the samples of one perf recording of Orvane go, from `perf script` on stdin.

Prints the share of each part of the work (every sample counted once, in the first part whose
frame is on its stack, in the order below), then the top functions by self time, with the
functions of a library that has no symbols for them lumped together per library.
"""
import collections
import re
import sys

# First match wins, so the work done inside the read slot is split before the slot takes the rest.
PARTS = [
    ("status area: insert, layout, trim (append_status)", r"measurement_display::append_status"),
    ("read-outs: setText", r"QLineEdit::setText|QWidgetLineControl::internalSetText"),
    ("serial read (QSerialPort, read())", r"QSerialPort|QIODevice::read"),
    ("decoding, average (measurement_stream)", r"measurement_stream::|frmain::ReadMyCom_slot"),
    ("painting the three read-outs", r"readout::paintEvent|QLineEdit::paintEvent"),
    ("painting the status area (QTextEdit)", r"QTextEdit::paintEvent|QWidgetTextControl::draw"),
    ("painting the group boxes (QGroupBox)", r"QGroupBox::paintEvent"),
    ("painting the rest (labels, backgrounds)", r"QWidgetPrivate::drawWidget|paintEvent"),
    ("flushing the window to X", r"QBackingStore::flush|QXcbBackingStore|QXcbWindow|xcb_"),
    ("layout and geometry", r"QLayout|QWidget::setGeometry|QWidgetPrivate::setGeometry"),
    ("event loop, timers, waiting (poll)", r"QEventDispatcher|g_main_context|poll"),
    ("text shaping and layout, caller cut off", r"QText|QFont|harfbuzz|hb_"),
]

# Work that cuts across the parts above, counted wherever it happens.
ACROSS = [
    ("style-sheet borders and rounded corners (qDrawBorder)", r"^qDrawBorder$"),
    ("group-box frame picture (qDrawBorderPixmap, QPixmap::load)",
     r"^qDrawBorderPixmap$|^QPixmap::load$"),
    ("text shaping (QTextEngine::shapeText)", r"^QTextEngine::shapeText$"),
    ("text document layout (QTextDocumentLayout)",
     r"^QTextDocumentLayout::(doLayout|documentChanged)"),
    ("system calls", r"^entry_SYSCALL_64"),
]


def samples(lines):
    stack = []
    for line in lines:
        if not line.strip():
            if stack:
                yield stack
            stack = []
        else:
            m = re.match(r"\s+[0-9a-f]+ (.*) \((.*)\)$", line.rstrip())
            if m:
                stack.append((m.group(1), m.group(2).rsplit("/", 1)[-1]))
    if stack:
        yield stack


def unnamed(frame):
    return frame == "[unknown]" or re.fullmatch(r"0x[0-9a-f]+", frame) is not None


def main():
    parts = collections.Counter()
    across = collections.Counter()
    self_time = collections.Counter()
    total = 0
    compiled = [(name, re.compile(rx)) for name, rx in PARTS]
    compiled_across = [(name, re.compile(rx)) for name, rx in ACROSS]
    for stack in samples(sys.stdin):
        total += 1
        leaf, dso = stack[0]
        leaf = re.sub(r"\+0x[0-9a-f]+$", "", leaf)
        if unnamed(leaf):
            # Named after the nearest caller that has a name, to say what it was doing.
            caller = next((f for f, _ in stack if not unnamed(f)), "?")
            leaf = f"({dso}, no symbol) under {re.sub(r'[+]0x[0-9a-f]+$', '', caller)}"
        self_time[leaf if dso != "[kernel.kallsyms]" else f"(kernel) {leaf}"] += 1
        names = [f for f, _ in stack]
        for name, rx in compiled:
            if any(rx.search(f) for f in names):
                parts[name] += 1
                break
        else:
            parts["other"] += 1
        for name, rx in compiled_across:
            if any(rx.search(f) for f in names):
                across[name] += 1
    if not total:
        raise SystemExit("no samples")
    print(f"{total} samples; every sample in one part:")
    for name, _ in PARTS + [("other", None)]:
        print(f"  {100 * parts[name] / total:5.1f} %  {name}")
    print("across the parts:")
    for name, _ in ACROSS:
        print(f"  {100 * across[name] / total:5.1f} %  {name}")
    print("top 30 by self time:")
    for name, n in self_time.most_common(30):
        print(f"  {100 * n / total:5.1f} %  {name}")


if __name__ == "__main__":
    main()
