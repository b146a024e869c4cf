# The argument checks the batch scripts share; sourced, not run. Before sourcing, a
# script sets `usage_text` (what follows its name in the usage line) and may set
# `usage_status` (the exit status of a usage error, 2 unless set).

# The usage line on standard error, then exit.
usage() {
    echo "usage: $0 $usage_text" >&2
    exit "${usage_status:-2}"
}

# Checks the shard count M of a sharded run (1 to 999999): a message and exit 2 if it is
# anything else.
check_shard_count() {
    [[ "$1" =~ ^[1-9][0-9]{0,5}$ ]] || { echo "$0: M must be a positive number" >&2; exit 2; }
}
