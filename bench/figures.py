"""The arithmetic of bench/run's tables: medians and percentiles of the
measurements, the ratio to the reference, the verdict on a goal, and the
row layout.

Figures travel as the strings the table prints ("1.234", "n/a"): a median is
one of the measured values as it was written down, never a recomputed one.
"""

import re

NA = "n/a"
ROW = "%-44s %14s %14s %7s  %-22s %s"
HEADING = ("Figure", "ours (median)", "reference", "ratio", "goal", "verdict")


def number(value):
    """The value as a float; None for "n/a", "" or anything not a number."""
    try:
        return float(value)
    except (TypeError, ValueError):
        return None


def _numbers(values):
    return sorted((v for v in values if number(v) is not None), key=float)


def median(values):
    """The middle one of the values in numeric order (the lower of the two
    middle ones for an even count); "n/a" when there are none."""
    ordered = _numbers(values)
    return ordered[(len(ordered) + 1) // 2 - 1] if ordered else NA


def percentile(p, values):
    """The nearest-rank P-th percentile: the smallest value with at least P %
    of the values at or below it; "n/a" when there are none."""
    ordered = _numbers(values)
    if not ordered:
        return NA
    rank = p / 100 * len(ordered)
    index = int(rank) + (1 if int(rank) < rank else 0)
    return ordered[max(index, 1) - 1]


def ratio(ours, theirs):
    """ours / theirs to two decimals; "n/a" when either is missing or theirs is 0."""
    a, b = number(ours), number(theirs)
    if a is None or b is None or b == 0:
        return NA
    return "%.2f" % (a / b)


def verdict(value, op, limit):
    """ "met" or "MISSED" for VALUE OP LIMIT (op "<=", "<" or ">="); "not
    measured" without a value."""
    v = number(value)
    if v is None:
        return "not measured"
    ok = v <= limit if op == "<=" else v < limit if op == "<" else v >= limit
    return "met" if ok else "MISSED"


def scaled(value, divisor=1, factor=1, digits=2):
    """value / divisor * factor with the given decimals; "n/a" without a
    value or with a divisor of 0."""
    v = number(value)
    return NA if v is None or divisor == 0 else "%.*f" % (digits, v / divisor * factor)


def row(*cells):
    return ROW % cells


def counter_delta(before, after):
    """ "name=difference " for every counter of AFTER, in its order."""
    earlier = dict(before)
    return "".join("%s=%d " % (name, value - earlier.get(name, 0)) for name, value in after)


def thousands(count):
    return "{:,}".format(count)


def wrk_p99_ms(output):
    """The 99th percentile of wrk's latency distribution ("99%   12.34ms",
    in us, ms or s) in milliseconds to two decimals; "" when wrk printed none."""
    for line in output.splitlines():
        fields = line.split()
        if len(fields) >= 2 and fields[0] == "99%":
            match = re.match(r"([0-9.]+)([a-z]*)$", fields[1])
            if not match:
                return ""
            value, unit = float(match.group(1)), match.group(2)
            return "%.2f" % (value / 1000 if unit == "us" else value * 1000 if unit == "s" else value)
    return ""


def parse_sections(text, known):
    """The section names of TEXT (separated by blanks or commas), checked
    against KNOWN; raises ValueError naming the first unknown one."""
    names = text.replace(",", " ").split()
    for name in names:
        if name not in known:
            raise ValueError(name)
    return names
