# Sourced by the batch tests: a small round robin of fixed-depth players (deterministic, so
# every run plays the same games) on the real referee in $bin, and the comparison of shard
# files with a one-piece run, game for game.

real_options() {
    local depth
    options=(-n 4 --random-openings 2 --games 4 --tournament round-robin)
    for depth in 3 4 5; do
        options+=(--player "name=d$depth cmd='$bin/analyze --quiet --depth $depth'")
    done
}

# One line per finished game of the record files: index, players, result and moves, by
# index; times, dates and shard numbers left out.
games_of() {
    awk '
        /^# game: / { game = $3 }
        /^# x: / { x = $3 }
        /^# o: / { o = $3 }
        /^# result: / { result = $3 }
        /^[TBLR][0-9]+$/ { moves = moves " " $1 }
        /^# end$/ { print game, x, o, result, moves; moves = "" }
    ' "$@" | sort -n
}

# Plays the tournament in one piece into one.txt (table in one-table.txt).
one_piece() {
    "$bin/referee" "${options[@]}" -j 2 -o one.txt >one-table.txt 2>one-err.txt ||
        { echo "FAILED: the one-piece run"; cat one-err.txt; exit 1; }
}

# Compares shard-0.txt .. shard-2.txt and the tally's table ($1) with the one-piece run.
same_as_one_piece() {
    diff -u one-table.txt "$1" || { echo "FAILED: the tally's table differs"; exit 1; }
    diff -u <(games_of one.txt) <(games_of shard-0.txt shard-1.txt shard-2.txt) ||
        { echo "FAILED: the shards played other games"; exit 1; }
    [ "$(games_of one.txt | wc -l)" -eq 12 ] || { echo "FAILED: not 12 games"; exit 1; }
    for k in 0 1 2; do
        games_of shard-$k.txt | awk -v k=$k '$1 % 3 != k { exit 1 }' ||
            { echo "FAILED: shard-$k.txt holds another shard's game"; exit 1; }
    done
}
