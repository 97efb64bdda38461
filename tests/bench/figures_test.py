"""The arithmetic behind bench/run's tables: a slip here prints a wrong
figure or verdict for every benchmark."""

import os
import sys
import unittest

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "bench"))
import figures as fig  # noqa: E402


class FiguresTest(unittest.TestCase):
    def test_median_and_percentile(self):
        cases = [  # function, values, expected
            (fig.median, ["0.300", "0.100", "0.200"], "0.200"),
            (fig.median, ["2.0", "10.0"], "2.0"),  # the lower middle, compared as numbers
            (fig.median, ["", "n/a", "0.100"], "0.100"),  # what failed is left out; kept as written
            (fig.median, [], "n/a"),
            (lambda v: fig.percentile(99, v), [str(i) for i in range(100, 0, -1)], "99"),
            (lambda v: fig.percentile(99, v), ["5"], "5"),
            (lambda v: fig.percentile(50, v), ["1", "2", "3", "4"], "2"),
            (lambda v: fig.percentile(99, v), [""], "n/a"),
        ]
        for function, values, expected in cases:
            with self.subTest(values=values):
                self.assertEqual(function(values), expected)

    def test_ratio_verdict_and_scaling(self):
        self.assertEqual(fig.ratio("0.654", "0.117"), "5.59")
        for ours, theirs in [("n/a", "1"), ("1", "n/a"), ("1", "0"), ("", "1")]:
            self.assertEqual(fig.ratio(ours, theirs), "n/a")
        cases = [("3.00", "<=", 3.0, "met"), ("3.01", "<=", 3.0, "MISSED"), ("50", "<", 50, "MISSED"),
                 ("49.9", "<", 50, "met"), ("0.80", ">=", 0.8, "met"), ("0.79", ">=", 0.8, "MISSED"),
                 ("n/a", "<=", 2.0, "not measured"), ("", "<", 20, "not measured")]
        for value, op, limit, expected in cases:
            with self.subTest(value=value, op=op):
                self.assertEqual(fig.verdict(value, op, limit), expected)
        self.assertEqual(fig.scaled("0.428", 20000, 1e6), "21.40")
        self.assertEqual(fig.scaled("0.0341", factor=1000, digits=1), "34.1")
        self.assertEqual(fig.scaled("1629", 0), "n/a")

    def test_wrk_p99_units(self):
        for latency, expected in [("812.00us", "0.81"), ("12.34ms", "12.34"), ("1.50s", "1500.00")]:
            output = f"  Latency Distribution\n     50%    1.00ms\n     99%   {latency}\nRequests/sec: 10\n"
            self.assertEqual(fig.wrk_p99_ms(output), expected)
        self.assertEqual(fig.wrk_p99_ms("unable to connect"), "")

    def test_rows_and_sections(self):
        self.assertEqual(fig.row(*fig.HEADING), "Figure                                        ours (median)"
                         "      reference   ratio  goal                   verdict")
        self.assertEqual(fig.counter_delta([("Com_select", 5), ("Questions", 9)],
                                           [("Com_select", 7), ("Questions", 20)]), "Com_select=2 Questions=11 ")
        self.assertEqual(fig.thousands(8000000), "8,000,000")
        known = ["1", "4", "5", "reads"]
        self.assertEqual(fig.parse_sections("4,5 reads", known), ["4", "5", "reads"])
        self.assertEqual(fig.parse_sections(" ", known), [])
        with self.assertRaises(ValueError):
            fig.parse_sections("4 3", known)


if __name__ == "__main__":
    unittest.main()
