#!/usr/bin/env python3
"""Sets the medal times of content/levels/levels.txt from the level bot's runs.

The bot plays at once what a person has to find, aim at and click, so its time
alone is no measure for a person. A person's time is taken as the bot's time
plus a floor for each of the bot's actions (clicks and keys); the medals are
that time by a factor per regime and medal, rounded up to whole 5 seconds:

    person = bot time + actions x floor
    easy:  floor 1.0 s; gold 1.25 x person, silver 1.8 x, bronze 3.0 x
    hard:  floor 1.0 s; gold 1.15 x person, silver 1.5 x, bronze 2.2 x

So a person who plays well earns gold, and in the easy regime (which is never
lost) anyone who plays on reaches bronze; the hard regime's bronze time, past
which a hard level is lost, leaves a person more than twice their pace. The levels whose tutorials teach the
game (1-6, 8, 15 and 29) keep at least the times they have: the player reads
the tutorial's boxes while the clock runs.

Usage (from the repository, with the game built in build/release):
    cd build/release/game
    ./verbolunde --headless --draw-every 200 --bot easy all; cp <user folder>/log.txt easy.txt
    ./verbolunde --headless --draw-every 200 --bot hard all; cp <user folder>/log.txt hard.txt
    tools/medal-times.py easy.txt hard.txt        # rewrites content/levels/levels.txt
"""
import math
import os
import re
import sys

RULES = {  # regime: (floor per action in ms, gold, silver, bronze factors)
    "easy": (1000, 1.25, 1.8, 3.0),
    "hard": (1000, 1.15, 1.5, 2.2),
}
TUTORIAL_LEVELS = {1, 2, 3, 4, 5, 6, 8, 15, 29}
BOT_LINE = re.compile(r"Bot: level (\d+) regime (\d) won in (\d+) ms, grade \w+, money -?\d+, (\d+) actions")


def bot_runs(path, regime):
    runs = {}
    with open(path, encoding="utf-8", errors="replace") as log:
        for m in BOT_LINE.finditer(log.read()):
            if int(m.group(2)) == regime:
                runs[int(m.group(1))] = (int(m.group(3)), int(m.group(4)))
    return runs


def round_up(ms):
    return int(math.ceil(ms / 5000.0)) * 5000


def medals(regime, time_ms, actions):
    floor, gold, silver, bronze = RULES[regime]
    person = time_ms + actions * floor
    return [round_up(person * bronze), round_up(person * silver), round_up(person * gold)]


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: medal-times.py EASY-LOG HARD-LOG")
    runs = {"easy": bot_runs(sys.argv[1], 0), "hard": bot_runs(sys.argv[2], 1)}
    source = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "content", "levels", "levels.txt")
    with open(source, encoding="utf-8") as f:
        lines = f.read().split("\n")
    level, regime, missing = None, None, []
    for i, line in enumerate(lines):
        m = re.match(r"\s*index = (\d+)$", line)
        if m:
            level, regime = int(m.group(1)) + 1, None
            continue
        m = re.match(r"\s*(easy|hard) \{$", line)
        if m:
            regime = m.group(1)
            continue
        m = re.match(r"(\s*)medals = (\d+) (\d+) (\d+)$", line)
        if not m or level is None or regime is None:
            continue
        run = runs[regime].get(level)
        if run is None:
            missing.append("level %d %s" % (level, regime))
            continue
        new = medals(regime, *run)
        if level in TUTORIAL_LEVELS:
            new = [max(n, int(old)) for n, old in zip(new, m.group(2, 3, 4))]
        lines[i] = "%smedals = %d %d %d" % (m.group(1), *new)
    if missing:
        sys.exit("no won bot run for: " + ", ".join(missing))
    with open(source, "w", encoding="utf-8") as f:
        f.write("\n".join(lines))


if __name__ == "__main__":
    main()
