"""The Python module against the built program: every dict that velrin.analyse,
velrin.analyse_curve and velrin.scan return must be, field by field and in
order, the JSON record that `velrin batch --format jsonl` (or `velrin scan`)
prints for the same curve, parsed; the one difference allowed is an integer
that the record writes as a string from 2^53 on, which the dict holds as
an int.

Run as: python3 module_test.py VELRIN_BINARY, with the package on PYTHONPATH.
"""

import json
import random
import subprocess
import sys
import threading
import unittest

import velrin

BINARY = None


def run_velrin(args, text=""):
    done = subprocess.run([BINARY, *args], input=text, capture_output=True, text=True, check=False)
    return [json.loads(line) for line in done.stdout.splitlines()]


def batch(lines, *options):
    records = run_velrin(["batch", "--format", "jsonl", "--threads", "1", *options],
                         "".join(line + "\n" for line in lines))
    for record in records:
        del record["line"]  # the dicts come from no batch
    return records


def factorisation_value(text):
    product = 1
    for factor in text.split("*"):
        prime, exponent = factor.split("^")
        product *= int(prime) ** int(exponent)
    return product


class Comparison:
    """Counts the values that the record wrote as strings and the dict as ints."""

    def __init__(self, case):
        self.case = case
        self.exact = 0

    def value(self, mine, theirs, where, conductor=False):
        if isinstance(theirs, str) and isinstance(mine, int):
            # 2^53 and beyond: the digits, or the conductor's factorisation.
            expected = factorisation_value(theirs) if conductor else int(theirs)
            self.case.assertEqual(mine, expected, where)
            self.case.assertGreaterEqual(abs(mine), 2**53, where)
            self.exact += 1
            return
        self.case.assertEqual(type(mine), type(theirs), where)
        if isinstance(theirs, dict):
            self.record(mine, theirs, where)
        elif isinstance(theirs, list):
            self.case.assertEqual(len(mine), len(theirs), where)
            for i, (m, t) in enumerate(zip(mine, theirs)):
                self.value(m, t, f"{where}[{i}]")
        else:
            self.case.assertEqual(mine, theirs, where)

    def record(self, mine, theirs, where="record"):
        self.case.assertEqual(list(mine), list(theirs), where)  # the same fields in order
        for field in theirs:
            self.value(mine[field], theirs[field], f"{where}.{field}", field == "conductor")


def wide_pairs(count, seed):
    generator = random.Random(seed)
    return [(generator.randint(-2**31, 2**31 - 1), generator.randint(-2**31, 2**31 - 1))
            for _ in range(count)]


class AnalyseTest(unittest.TestCase):
    PAIRS = [
        (1, 2), (-1, -2), (0, 1), (9, 54), (-6, 10), (-551, 49419),
        (0, 0), (3, 1), (5, 0),               # singular
        (0, 611953), (611956, 1), (19456, 2**30),
        (-2**31, -2**31), (2**31 - 1, 2**31 - 1), (-2**31, 2**31 - 1), (0, -2**31),
    ] + wide_pairs(40, 19)

    def test_pairs_equal_the_batch_records(self):
        for classic in (False, True):
            options = ["--classic"] if classic else []
            records = batch([f"{a} {b}" for a, b in self.PAIRS], *options)
            self.assertEqual(len(records), len(self.PAIRS))
            comparison = Comparison(self)
            for (a, b), record in zip(self.PAIRS, records):
                with self.subTest(a=a, b=b, classic=classic):
                    comparison.record(velrin.analyse(a, b, classic=classic), record)
            if not classic:
                # Bad primes and conductors beyond 2^53 were met, as ints.
                self.assertGreater(comparison.exact, 20)

    def test_rank_fields_equal_the_batch_records(self):
        pairs = [(-551, 49419), (1, 2), (-6, 10), (0, 0)]
        for height in (velrin.DEFAULT_HEIGHT, 5):
            records = batch([f"{a} {b}" for a, b in pairs], "--rank", "--height", str(height))
            for (a, b), record in zip(pairs, records):
                with self.subTest(a=a, b=b, height=height):
                    Comparison(self).record(velrin.analyse(a, b, rank=True, height=height), record)
        self.assertEqual(velrin.analyse(-551, 49419, rank=True)["rank"], 3)  # gp: ellrank

    def test_arguments_out_of_range_are_refused(self):
        cases = [
            (lambda: velrin.analyse(2**31, 0), ValueError),
            (lambda: velrin.analyse(0, -2**31 - 1), ValueError),
            (lambda: velrin.analyse(1.5, 2), TypeError),
            (lambda: velrin.analyse("1", 2), TypeError),
            (lambda: velrin.analyse(True, 2), TypeError),
            (lambda: velrin.analyse(1, 2, classic=True, rank=True), ValueError),
            (lambda: velrin.analyse(1, 2, rank=True, height=0), ValueError),
            (lambda: velrin.analyse_curve([1, 2, 3]), ValueError),
            (lambda: velrin.analyse_curve([0, 0, 2**63, 0, 0]), ValueError),
            (lambda: velrin.analyse_curve("not a curve"), ValueError),
            (lambda: velrin.analyse_curve(14), TypeError),
            (lambda: velrin.scan((2, 1), 0), ValueError),
            (lambda: velrin.scan(range(0, 10, 2), 0), ValueError),
            (lambda: velrin.scan((-2**31, 2**31 - 1), (-2**31, 2**31 - 1)), ValueError),
        ]
        for i, (call, error) in enumerate(cases):
            with self.subTest(case=i):
                self.assertRaises(error, call)


class AnalyseCurveTest(unittest.TestCase):
    # Labels and models of Cremona's tables, as a batch line gives them:
    # 14a1 is (5, 7), 19a1 = [0,1,1,-9,-15] is (8, 19); 11a1 has no point of
    # order 3; a singular model; a model that moves beyond 32 bits.
    TEXTS = ["14a1", "27a3", "19a1", "11a1", "990h1", "14z9", "[0,1,1,-9,-15]",
             "[1,0,1,4,-6]", "[0,0,1,0,0]", "[0,0,0,0,0]", "[0,0,16,0,0]",
             "[4,0,65536,0,0]", "[0,0,9223372036854775807,0,0]"]

    def test_curves_equal_the_batch_records(self):
        records = batch(self.TEXTS)
        self.assertEqual(len(records), len(self.TEXTS))
        for text, record in zip(self.TEXTS, records):
            with self.subTest(curve=text):
                Comparison(self).record(velrin.analyse_curve(text), record)
                if text.startswith("["):
                    model = [int(v) for v in text[1:-1].split(",")]
                    Comparison(self).record(velrin.analyse_curve(model), record)
                    Comparison(self).record(velrin.analyse_curve(tuple(model)), record)
        self.assertEqual((records[0]["a"], records[0]["b"]), (5, 7))
        self.assertEqual(records[3]["status"], "no_3_torsion")


class ScanTest(unittest.TestCase):
    def test_scans_equal_the_programs_scans(self):
        boxes = [((-6, 6), (-10, 10)), (range(-3, 4), range(-27, 28)), (0, (-100, 100)),
                 ((2**31 - 3, 2**31 - 1), (-2**31, -2**31 + 300))]
        for a_range, b_range in boxes:
            def bounds(r):
                if isinstance(r, range):
                    return f"{r.start}:{r.stop - 1}"
                return f"{r[0]}:{r[1]}" if isinstance(r, tuple) else str(r)
            for distinct in (False, True):
                with self.subTest(a=a_range, b=b_range, distinct=distinct):
                    args = ["scan", "--a", bounds(a_range), "--b", bounds(b_range),
                            "--format", "jsonl", "--quiet"] + (["--distinct"] if distinct else [])
                    records = run_velrin(args)
                    mine = list(velrin.scan(a_range, b_range, distinct=distinct))
                    self.assertEqual(len(mine), len(records))
                    comparison = Comparison(self)
                    for m, record in zip(mine, records):
                        comparison.record(m, record)

    def test_scan_is_lazy(self):
        # 2^32 * 1000 pairs: only what is taken is analysed.
        records = velrin.scan((-2**31, 2**31 - 1), (1, 1000))
        first = [next(records) for _ in range(3)]
        self.assertEqual([(r["a"], r["b"]) for r in first], [(-2**31, 1), (-2**31, 2), (-2**31, 3)])

    def test_scans_run_in_threads_at_once(self):
        # Each thread's records are its own box's, whatever the others do.
        expected = [r["b"] for r in velrin.scan(7, (1, 3000))]
        results = [None] * 4

        def work(k):
            results[k] = [r["b"] for r in velrin.scan(7, (1, 3000))]

        threads = [threading.Thread(target=work, args=(k,)) for k in range(4)]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        self.assertEqual(results, [expected] * 4)


if __name__ == "__main__":
    BINARY = sys.argv.pop(1)
    unittest.main()
