#!/usr/bin/env python3
"""Sets the medal times of content/levels/levels.txt from the level bot's runs.

The bot's time is no measure for a person as it stands: it takes each job in
turn where a person who plays well queues the farmer's jobs ahead and looks
at the next thing meanwhile, while a person needs a while to take the level
in. Played by hand (about 0.7 s between clicks, looking before each, with
wasted clicks) levels 20, 30 and 41 took 68, 73 and 108 s in the easy regime
and level 20 71 s in the hard one; the bot, playing those levels alone, took
84, 110, 192 and 84 s (36, 50, 84 and 36 actions). The old pace (the bot's
time plus 1 s per action) made 120 to 276 s of them, about twice the hand
times. A good player's time is taken as

    person = max(look + share x bot time, floor x bot time)
    look 37.5 s, share 0.36, floor 0.5

which gives 68, 77, 107 and 68 s for those runs (within 6 % of the hand
times; the floor keeps a person from being counted faster than half the bot
where the bot's time is mostly waiting). The medals are that time by a
factor per regime and medal, rounded up to whole 5 seconds:

    easy:  gold 1.2 x person, silver 1.6 x, bronze 3.0 x
    hard:  gold 1.15 x person, silver 1.5 x, bronze 2.5 x

So a player who plays well finishes within the last quarter before gold:
from the campaign runs (the bot took 86, 101, 162 and 84 s there) the four
levels' gold times became 85, 90, 115 and 80 s, and the hand runs stand at
80, 81, 94 and 89 % of them. A steady player reaches silver, and bronze is
anyone's: the easy regime is
never lost and never falls below bronze, and the hard regime's bronze time,
past which a hard level is lost, leaves two and a half times a good player's
pace and at least 1.25 times the bot's.

The levels whose tutorials teach the game are measured by a person, not by
the bot: the bot closes a tutorial's boxes at once, while a person reads
them and looks for what they point at (the boxes that wait for a click stop
the level's clock, so only the looking counts). A person's first win with
the tutorial on, reading every box, took (in seconds)

    level 1 66, 2 36, 3 39, 4 77, 5 60, 6 55, 8 52

and a player who plays such a level well is taken to need no more than
that: a good player's time there is 1.25 x the first win, so gold asks
1.5 x a first win (silver 2 x, bronze 3.75 x) and a first win that read
every box is within silver. No first win is recorded for levels 15 and 29
(a hint and a pointer, no boxes to read): they go by the bot's runs like
the rest. A new measure (a person's first win, or a run that follows the
tutorial) goes into FIRST_WIN_MS.

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

# A good player's time: a look at the level, then a share of the bot's time,
# never below a floor share of it.
LOOK_MS, SHARE, FLOOR = 37500, 0.36, 0.5
RULES = {  # regime: gold, silver, bronze factors of a good player's time
    "easy": (1.2, 1.6, 3.0),
    "hard": (1.15, 1.5, 2.5),
}
# A person's first win of a tutorial level in the easy regime (ms), with the
# tutorial on and every box read; a good player's time there is FIRST_WIN_PACE
# times it.
FIRST_WIN_MS = {1: 66000, 2: 36000, 3: 39000, 4: 77000, 5: 60000, 6: 55000, 8: 52000}
FIRST_WIN_PACE = 1.25
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


def person(time_ms):
    return max(LOOK_MS + SHARE * time_ms, FLOOR * time_ms)


def medals(level, regime, time_ms):
    gold, silver, bronze = RULES[regime]
    pace = person(time_ms)
    if regime == "easy" and level in FIRST_WIN_MS:
        pace = FIRST_WIN_PACE * FIRST_WIN_MS[level]
    return [round_up(pace * bronze), round_up(pace * silver), round_up(pace * gold)]


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
        new = medals(level, regime, run[0])
        lines[i] = "%smedals = %d %d %d" % (m.group(1), *new)
    if missing:
        sys.exit("no won bot run for: " + ", ".join(missing))
    with open(source, "w", encoding="utf-8") as f:
        f.write("\n".join(lines))


if __name__ == "__main__":
    main()
