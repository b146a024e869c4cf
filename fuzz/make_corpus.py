#!/usr/bin/env python3
"""Writes the seed corpus of every fuzz target below fuzz/corpus/ (run from anywhere).

The seeds are small, hand-picked cases of each input: well-formed ones, each kind of bad
input the programs meet, and a few long records. The fuzzers grow their own copies."""
import os
import random

HERE = os.path.dirname(os.path.abspath(__file__))


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode())


def push(board, n, side, k, who):
    """Pushes who's piece in from side at line k (1-based) on a dict board."""
    k -= 1
    cells = {
        "L": [(k, i) for i in range(n)],
        "R": [(k, n - 1 - i) for i in range(n)],
        "T": [(i, k) for i in range(n)],
        "B": [(n - 1 - i, k) for i in range(n)],
    }[side]
    carried = who
    for c in cells:
        old = board.get(c, 0)
        board[c] = carried
        if old == 0:
            return
        carried = old


def open_game(n, plies, seed):
    """A random record of n without a repeated position (sides alternate from X)."""
    rng = random.Random(seed)
    board, seen, moves = {}, set(), []
    who = 1
    seen.add((who, tuple(sorted(board.items()))))
    while len(moves) < plies:
        for _ in range(50):
            side, k = rng.choice("LRTB"), rng.randint(1, n)
            trial = dict(board)
            push(trial, n, side, k, who)
            key = (3 - who, tuple(sorted((c, v) for c, v in trial.items() if v)))
            if key not in seen:
                break
        else:
            break
        board = trial
        seen.add(key)
        moves.append(f"{side}{k}")
        who = 3 - who
    return moves


def write_all(target, cases):
    for name, data in cases.items():
        write(target, name, data)


def record(head, moves):
    return head + "".join(m + "\n" for m in moves)


def number_line_cases(prefix, value):
    """The first line of both players' input is a number (the bit-row size, the byte-board
    time): the ways it can be wrong, each followed by a move."""
    return {
        f"{prefix}_zero": "0\nL1\n",
        f"{prefix}_negative": f"-{value}\nL1\n",
        f"{prefix}_huge": "99999999999999999999999\nL1\n",
        f"{prefix}_blank_sign": f"  +{value}abc\nL1\nT3\n",
        f"{prefix}_no_digits": "abc\nL1\n",
    }


def move_line_cases(head, n):
    """The ways a move line can be wrong, after the first line head, for a board of n."""
    return {
        "crlf": head.replace("\n", "\r\n") + f"L1\r\nT{n}\r\nL2\r\n",
        "lower_case": head + "l1\nL1\n",
        "out_of_range": head + f"L1\nR0\nT{n + 1}\nB{4 * n + 1}\nL99\nT99999999999\n",
        "nul_bytes": head.encode() + b"L\x001\nL1\n\x00\x00T2\n",
    }


def player_seeds(target, number_name, number, head, games, own):
    """The seeds of a player's input reader: the shared kinds of a wrong first line and of
    wrong move lines (after head, a first line that is right), random open games (size:
    (first line, plies)), and the cases of this reader alone."""
    write_all(target, number_line_cases(number_name, number))
    write_all(target, move_line_cases(head, 6))
    for n, (first, plies) in games.items():
        write(target, f"game_{n}", record(first, open_game(n, plies, n)))
    write_all(target, own)


def bitrow():
    player_seeds("bitrow_record_fuzz", "size", 7, "6\n",
                 {n: (f"{n}\n", 3 * n) for n in (1, 2, 3, 4, 5, 8, 9, 16, 17, 20)}, {
        "empty": "",
        "size_only_6": "6\n",
        "size_no_newline": "3",
        "size_21": "21\nL1\n",
        "leading_zero": "6\nL05\nR6\n",
        "trailing_text": "12\nL12x\nL5x\nL1\n",
        "last_line_no_newline": "12\nL1\nT12",
        "overlong_size_line": "8" + " " * 100 + "L1\nR2\n",
        "overlong_move_line": "8\nL1" + "x" * 96 + "\nT3\nR4\n",
        "repetition": "3\nL1\nR1\nL1\nR1\nL1\nR1\nL1\nR1\n",
        "repetition_far": "2\nL1\nL2\nL1\nL2\nR1\nR2\nR1\nR2\nT1\nT2\nT1\nT2\n",
        "small_search_3": "3\nL2\nT1\n",
        "too_long_20": record("20\n", open_game(20, 3000, 7)),
    })


def byteboard():
    # The first line is the time limit in seconds; the board size is the build's.
    player_seeds("byteboard_input_fuzz", "arg", 12, "1\n", {6: ("28\n", 40), 7: ("28\n", 40)}, {
        "no_arg_empty": "",
        "arg_5": "5\nL3\nT1\n",
        "blank_first_line": "28\n\nL1\nT2\n",
        "spaces_and_signs": "1\nL 3\nT+2\n\n\n  B  -1\nR4\n",
        "bad_letter": "1\nL1\nQ4\nT1\n",
        "long_game": "3\n" + "L1\nR1\n" * 400,
    })


def answers():
    t = "referee_answer_fuzz"
    # byte 0: N (mod 23); byte 1: how the run ended; then standard output.
    cases = {
        "good": b"\x06\x00L3\n", "no_newline": b"\x06\x00T6", "crlf": b"\x06\x00L3\r\n",
        "two_lines": b"\x06\x00L3\nL4\n", "leading_zero": b"\x06\x00L03\n",
        "blank": b"\x06\x00 L3\n", "out_of_range": b"\x06\x00L7\n", "lower": b"\x06\x00l3\n",
        "empty": b"\x06\x00", "nul": b"\x06\x00L\x003\n", "n20": b"\x14\x00B20\n",
        "killed": b"\x06\x02L1\n", "signalled": b"\x06\x0fL1", "cut": b"\x06\x80L1\n",
        "no_answer": b"\x06\x40", "high_bytes": b"\x06\x00\xff\xfe\x80\n",
        "quotes": b"\x06\x00'a b' \"c\\\"d\" e\\ f\n",
    }
    write_all(t, cases)


def records():
    t = "referee_record_fuzz"
    rec = ("6\nL1\nT3\n# game: 0\n# opening: 0\n# opening-plies: 0\n# x: shover8\n"
           "# o: pusher6\n# size: 6\n# result: 1-0\n# winner: x\n# loss: straights\n"
           "# reason: X (shover8) has more straights at ply 2\n# plies: 2\n"
           "# time-x: 12.345\n# time-o: 10.200\n# stderr: ply 1 o: a\\nb\\x01\n# end\n\n")
    # bytes 0, 1: N (mod 21, plus 1) and the opening length (mod 12, minus 1).
    write(t, "complete", b"\x05\x00" + rec.encode())
    write(t, "two_records", b"\x05\x02" + (rec + rec.replace("# game: 0", "# game: 1")).encode())
    write(t, "cut_off", b"\x05\x00" + (rec + rec[:60]).encode())
    write(t, "plain_input", b"\x05\x01" + b"6\nL1\nR2\nT3\n")
    write(t, "other_size", b"\x07\x01" + b"6\nL1\n")
    write(t, "bad_key", b"\x05\x00" + rec.replace("# plies: 2", "# plies: x").encode())
    write(t, "crlf", b"\x05\x00" + rec.replace("\n", "\r\n").encode())
    write(t, "comment", b"\x05\x00# a comment\n" + rec.encode())
    write(t, "decided", b"\x01\x0b" + b"2\nL1\nR2\nL2\n")
    write(t, "nul_bytes", b"\x05\x00" + rec.replace("shover8", "sh\x00ver").encode())
    write(t, "long", b"\x05\x0b" + record("6\n", open_game(6, 60, 3)).encode())
    made = rec.replace("# end\n", "# move-times: - 0.125\n# setting-a-command: ./shover8\n"
                       "# setting-a-time: 30\n# setting-date: 2026-12-08T10:00:00Z\n# end\n")
    write(t, "settings", b"\x05\x00" + made.encode())
    write(t, "move_times_short", b"\x05\x00" + made.replace("- 0.125", "0.5").encode())
    write(t, "setting_twice", b"\x05\x00" + made.replace("# end", "# setting-a-time: 2\n# end").encode())


def configs():
    t = "referee_config_fuzz"
    write(t, "toml", 'a-command = "./shover8"\nb-command = "./pusher6 --x"\nb-proto = "byteboard"\n'
          'b-time = 2\nsize = 6\nmargin = 0.5\ngames = 40\njobs = 2\n'
          'sprt = "elo0=0 elo1=5 alpha=0.05 beta=0.05"\nno-check = true\n')
    write(t, "ini", "[default]\na-command=./shover8\nb-command=./shover8\nrandom-openings=4\n"
          "seed=7\n; a comment\n")
    write(t, "out_of_range", "size = 40\njobs = 0\ntime = -1\n")
    write(t, "sprt_words", "elo0=-3 elo1=3 alpha=0.1 beta=0.2")
    write(t, "array", 'sprt = ["elo0=1", "elo1=2"]\nopenings = [1, 2]\n')
    write(t, "unknown", "frobnicate = 1\n[section]\nsize = 5\n")
    write(t, "sandbox", "sandbox = true\nmemory = 512\nprocesses = 8\na-memory = 100\n"
          "b-sandbox = true\nb-memory = 4096\n")
    write(t, "sandbox_out_of_range", "memory = 1\nprocesses = 0\na-memory = 99999999\n"
          "a-sandbox = maybe\n")


if __name__ == "__main__":
    bitrow()
    byteboard()
    answers()
    records()
    configs()
