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
from the campaign runs (the slowest took the bot 86, 110, 185 and 84 s) the
four levels' gold times are 85, 95, 130 and 80 s, and the hand runs stand at
80, 77, 83 and 89 % of them. A steady player reaches silver, and bronze is
anyone's: the easy regime is never lost and never falls below bronze, and
the hard regime's bronze time, past which a hard level is lost, leaves two
and a half times a good player's pace.

A level's bot time is the slowest won run of it in the logs given. The bot
plays alike every time for the same start, but a player's campaign (the bot
winning level after level for a profile, as the campaign test plays it)
takes other times than a bare run: in the hard regime level 33 took the bot
180 s bare and 225 s for a player, level 39 225 s and 263 s. The bronze time is never below 1.25 times that slowest run
(BOT_MARGIN): past it a hard level is lost and the bot's easy run counts as
not won, so the bot, and anyone at its pace, keeps a quarter of its time in
hand.

Where hand play showed the bot's estimate to give gold away, a person's
time stands for a good player's (HAND_MS, easy regime). In a hand
play-through of levels 24-41 (clicks placed from screenshots), on levels 31
and 36 careful hand wins ended at 50-63 % of the gold times the estimate gave (120
and 125 s) and wins with misses at 73-79 %; the middle of the careful wins,
68 and 71 s, is taken as a good player's time, which puts the careful wins
within the last third before gold and the wins with misses past it.

The levels whose tutorials teach the game are measured by a person, not by
the bot: the bot closes a tutorial's boxes at once, while a person reads
them and looks for what they point at (the boxes that wait for a click stop
the level's clock, so only the looking counts). In a hand play-through of
the tutorial levels in the easy regime, a careful first win with the tutorial on, reading every box, and a
practised run of the same level took (in seconds)

    level            1     2     3     4     5     6     8
    first win      63.9  45.3  39.7  64.1  50.2  48.2  47.7
    practised run  38.4  30.0  35.8     -  43.9  34.6  39.1

and careless runs of levels 1 and 5 71.4 and 69.3 s. Level 2 was played
with a goal of four flour; its goal is now the three its tutorial makes, so
its times are taken less what the fourth flour took: 17.0 s after the
tutorial's end in the program's run of it (game_LevelTutorialMillScenarioTest
won at 46.6 s with four, at 29.6 s with three) for the first win, 28.3 s, and
5.4 s (the bot's time of the level alone with four, 30.1 s, and with three,
24.7 s) for the practised run, 24.7 s. Gold asks for a
practised run: it is 0.92 of the careful first win, rounded up to a whole
second (level 3's practised run is within 10 % of its first win, and 5 s
steps would miss one or the other), so a careful first win ends in silver,
about 8 % past gold, and a practised run ends within gold. Silver and bronze
are the easy regime's factors of the first win (1.6 and 3 times), so the
careless runs are silver. The tool refuses to write times by which a
practised run misses gold or a careful first win reaches it. No first win
is recorded for levels 15 and 29 (a hint and a pointer, no boxes to read):
they go by the bot's runs like the rest. A new measure goes into
FIRST_WIN_MS and PRACTISED_MS.

Usage (from the repository): the logs of the bare runs (no player) and of
the players' campaigns, each line naming its regime. The campaign test
(game_CampaignHardTest) plays all four side by side and leaves their logs in
the build folder, also when it fails on times that no longer fit:
    (cd build/test && ctest -R game_CampaignHardTest)
    tools/medal-times.py build/test/campaign-*-log.txt
                                                  # rewrites content/levels/levels.txt
A player's campaign passes the map between levels, and what she meets there
follows the medals she won, so her later levels draw other villains when the
table changes: run the test and the tool again until the table stays as it
is (it took three rounds after level 2's goal changed).
The bare runs alone take seconds in a Release build and give the same times
as the test's:
    cd build/release/game
    XDG_DATA_HOME=/tmp/bare ./verbolunde --headless --draw-every 200 --bot easy all
    cp /tmp/bare/Quenmoor/Verbolunde/log.txt /tmp/easy.txt   # and so for hard
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
# The bronze time leaves the bot's slowest run this share again.
BOT_MARGIN = 1.25
# A good player's time measured by hand (ms), easy regime, in place of the
# bot's estimate: the middle of the careful hand wins.
HAND_MS = {31: 68000, 36: 71000}
# Tutorial levels, easy regime, by hand (ms): a careful first win with the
# tutorial on and every box read, and a practised run. Their medals are
# TUTORIAL_RULE times the first win, gold rounded up to a whole second.
FIRST_WIN_MS = {1: 63900, 2: 28300, 3: 39700, 4: 64100, 5: 50200, 6: 48200, 8: 47700}
PRACTISED_MS = {1: 38400, 2: 24700, 3: 35800, 5: 43900, 6: 34600, 8: 39100}
TUTORIAL_RULE = (0.92, 1.6, 3.0)
BOT_LINE = re.compile(r"Bot: level (\d+) regime (\d) won in (\d+) ms, grade \w+, money -?\d+, (\d+) actions")


def bot_runs(paths):
    """The slowest won run (ms) of each level and regime ("easy", "hard") in the logs."""
    runs = {}
    for path in paths:
        with open(path, encoding="utf-8", errors="replace") as log:
            for m in BOT_LINE.finditer(log.read()):
                key = (int(m.group(1)), "hard" if m.group(2) == "1" else "easy")
                runs[key] = max(runs.get(key, 0), int(m.group(3)))
    return runs


def round_up(ms, step=5000):
    return int(math.ceil(ms / float(step))) * step


def person(time_ms):
    return max(LOOK_MS + SHARE * time_ms, FLOOR * time_ms)


def medals(level, regime, time_ms):
    """Bronze, silver and gold (ms) for a level whose slowest bot run took time_ms."""
    gold, silver, bronze = RULES[regime]
    pace, gold_step = person(time_ms), 5000
    if regime == "easy" and level in HAND_MS:
        pace = HAND_MS[level]
    if regime == "easy" and level in FIRST_WIN_MS:
        (gold, silver, bronze), pace, gold_step = TUTORIAL_RULE, FIRST_WIN_MS[level], 1000
    bronze_ms = round_up(max(pace * bronze, BOT_MARGIN * time_ms))
    return [bronze_ms, round_up(pace * silver), round_up(pace * gold, gold_step)]


def check_tutorial_golds(times):
    """The tutorial levels' golds against the hand runs: what breaks the rule."""
    faults = []
    for level, first in FIRST_WIN_MS.items():
        gold = times[level][2]
        if first <= gold:
            faults.append("level %d: a careful first win (%d ms) reaches gold (%d ms)" % (level, first, gold))
        if PRACTISED_MS.get(level, 0) > gold:
            faults.append("level %d: a practised run (%d ms) misses gold (%d ms)" % (level, PRACTISED_MS[level], gold))
    return faults


def main():
    if len(sys.argv) < 2:
        sys.exit("usage: medal-times.py BOT-LOG...")
    runs = bot_runs(sys.argv[1:])
    source = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "content", "levels", "levels.txt")
    with open(source, encoding="utf-8") as f:
        lines = f.read().split("\n")
    level, regime, missing, tutorial = None, None, [], {}
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
        run = runs.get((level, regime))
        if run is None:
            missing.append("level %d %s" % (level, regime))
            continue
        new = medals(level, regime, run)
        if regime == "easy" and level in FIRST_WIN_MS:
            tutorial[level] = new
        lines[i] = "%smedals = %d %d %d" % (m.group(1), *new)
    if missing:
        sys.exit("no won bot run for: " + ", ".join(missing))
    faults = check_tutorial_golds(tutorial)
    if faults:
        sys.exit("the tutorial levels' rule does not hold:\n" + "\n".join(faults))
    with open(source, "w", encoding="utf-8") as f:
        f.write("\n".join(lines))


if __name__ == "__main__":
    main()
