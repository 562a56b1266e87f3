#!/usr/bin/env python3
"""The update worker's decision per UTC minute must be the C runtime's rand():
seeded with the minute, x = x * 214013 + 2531011 (mod 2**32), value
(x >> 16) & 0x7fff, and the worker runs when that is divisible by 5."""
import sys


def first_rand(seed):
    x = (seed * 214013 + 2531011) & 0xFFFFFFFF
    return (x >> 16) & 0x7FFF


def main():
    rows = [tuple(map(int, line.split())) for line in open("worker_minutes.txt")]
    failures = [f"minute {m}: got {got}" for m, got in rows if got != int(first_rand(m) % 5 == 0)]
    if [m for m, _ in rows] != list(range(60)):
        failures.append("minutes 0 to 59 not all listed")
    for failure in failures:
        print(failure)
    print(f"{len(rows)} minutes, {sum(g for _, g in rows)} start the worker")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
