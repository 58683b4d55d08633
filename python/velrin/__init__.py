"""The 3-isogeny descent of velrin on y^2 + Axy + By = x^3, from Python.

Each curve's result is a dict with the fields of its JSON record, as
`velrin batch --format jsonl` writes it (velrin(1), RECORDS), in the same
order, with one difference: an integer that the record writes as a string
from 2^53 on (a bad prime `p`, an entry of `minimal_ainvs` or `input`, the
`conductor`, which the record then writes as its factorisation) is always a
Python int here, exact at any size.

    >>> import velrin
    >>> r = velrin.analyse(1, 2)
    >>> r["rank_bound"], [p["p"] for p in r["bad_primes"]]
    (0, [2, 53])
"""

import json
import operator

from . import _core

__all__ = ["analyse", "analyse_curve", "scan", "DEFAULT_HEIGHT"]

DEFAULT_HEIGHT = _core.default_height

_INT32 = (-(2**31), 2**31 - 1)
_INT64 = (-(2**63), 2**63 - 1)


def _integer(value, name, bounds):
    """value as an int (anything with __index__: int, numpy's, Sage's), in bounds."""
    if isinstance(value, bool):
        raise TypeError(f"{name} must be an integer, not a bool")
    try:
        value = operator.index(value)
    except TypeError:
        raise TypeError(f"{name} must be an integer, not {type(value).__name__}") from None
    if not bounds[0] <= value <= bounds[1]:
        raise ValueError(f"{name} must be an integer from {bounds[0]} to {bounds[1]}, not {value}")
    return value


def _height(classic, rank, height):
    if not rank:
        return 0
    if classic:
        raise ValueError("rank follows the true rules; it cannot go with classic")
    return _integer(height, "height", (1, _core.max_height))


def _exact(value):
    """An integer that the record wrote as a string, as an int."""
    return int(value) if isinstance(value, str) else value


def _conductor(value):
    # Beyond 2^53 the record writes the factorisation "p^e*q^f*...".
    if not isinstance(value, str):
        return value
    product = 1
    for factor in value.split("*"):
        prime, exponent = factor.split("^")
        product *= int(prime) ** int(exponent)
    return product


def _record(line):
    record = json.loads(line)
    for prime in record.get("bad_primes") or ():
        prime["p"] = _exact(prime["p"])
    for field in ("minimal_ainvs", "input"):
        if record.get(field) is not None:
            record[field] = [_exact(v) for v in record[field]]
    if "conductor" in record:
        record["conductor"] = _conductor(record["conductor"])
    return record


def analyse(a, b, *, classic=False, rank=False, height=DEFAULT_HEIGHT):
    """The record of the curve y^2 + axy + by = x^3, as a dict.

    a and b are integers from -2^31 to 2^31 - 1. classic=True follows the
    original program's rules (velrin --classic). rank=True adds the rank
    search's fields (selmer_e_hat, rank_lower, rank, points, search_height)
    at the given height, as --rank --height does.
    """
    a = _integer(a, "a", _INT32)
    b = _integer(b, "b", _INT32)
    return _record(_core.pair_record(a, b, classic, _height(classic, rank, height)))


def analyse_curve(curve, *, classic=False, rank=False, height=DEFAULT_HEIGHT):
    """The record of any curve with a rational point of order 3, as a dict.

    curve is its a-invariants [a1, a2, a3, a4, a6] (a sequence of five
    integers of up to 64 bits), or a label of Cremona's tables such as
    "14a1", or the text "[a1,a2,a3,a4,a6]". The curve is moved to (A, B) as
    `velrin report --curve` moves it; the dict adds input, label and change.
    A curve that cannot be moved (no point of order 3, a singular model, a
    label not in the tables) gives its failure record, with the status that
    says why. Text that is neither a label nor a model raises ValueError.
    """
    level = _height(classic, rank, height)
    if isinstance(curve, str):
        return _record(_core.text_record(curve, classic, level))
    try:
        model = list(curve)
    except TypeError:
        raise TypeError("curve must be [a1,a2,a3,a4,a6] or a label such as 14a1") from None
    if len(model) != 5:
        raise ValueError(f"a model has five a-invariants [a1,a2,a3,a4,a6], not {len(model)}")
    model = [_integer(v, f"a{i}", _INT64) for i, v in zip((1, 2, 3, 4, 6), model)]
    return _record(_core.model_record(model, classic, level))


def _interval(bounds, name):
    """(min, max) inclusive, as --a and --b take them, from a range of step
    1, a pair (min, max) (both included) or one integer."""
    if isinstance(bounds, range):
        if bounds.step != 1 or len(bounds) == 0:
            raise ValueError(f"{name} must be a non-empty range of step 1")
        low, high = bounds.start, bounds.stop - 1
    elif isinstance(bounds, (tuple, list)):
        if len(bounds) != 2:
            raise ValueError(f"{name} must be (min, max), a range or an integer")
        low, high = bounds
    else:
        low = high = bounds
    low = _integer(low, name, _INT32)
    high = _integer(high, name, _INT32)
    if low > high:
        raise ValueError(f"{name}: min {low} lies above max {high}")
    return low, high


def scan(a_range, b_range, *, distinct=False, classic=False, rank=False, height=DEFAULT_HEIGHT):
    """Yields the record of every pair of the box, A outer and B inner, both
    increasing, as `velrin scan` writes them.

    a_range and b_range are each a range of step 1 (range(-10, 11): -10 to
    10), a pair (min, max) with both ends included (as --a MIN:MAX), or one
    integer. distinct=True yields each curve once up to isomorphism: the
    first pair of each class (A, B) ~ (-A, -B) ~ (dA, d^3 B) met in this
    order, as --distinct. The records are computed a few hundred pairs at a
    time, without the GIL, as they are consumed.
    """
    a_min, a_max = _interval(a_range, "a_range")
    b_min, b_max = _interval(b_range, "b_range")
    level = _height(classic, rank, height)
    box = _core.BoxRecords(a_min, a_max, b_min, b_max, distinct, classic, level)
    return _records(box)


def _records(box):
    while (chunk := box.next_chunk()) is not None:
        for line in chunk.splitlines():
            yield _record(line)
