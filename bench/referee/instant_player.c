/* A player that costs nothing: it reads the whole game (the bit-row input, the size line
 * and one move per line), and answers at once with a move of this N drawn from a hash of
 * what it read and its optional seed argument. Deterministic, so a match replays exactly;
 * the referee judges the moves, so an illegal-looking game is not its concern. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

int main(int argc, char** argv) {
    uint64_t h = 1469598103934665603ull ^ (uint64_t)(argc > 1 ? atoi(argv[1]) : 0);
    char buf[65536];
    int n = 0, first = 1;
    for (ssize_t got; (got = read(0, buf, sizeof buf)) > 0;) {
        for (ssize_t i = 0; i < got; i++) {
            if (first && buf[i] >= '0' && buf[i] <= '9') n = n * 10 + (buf[i] - '0');
            if (buf[i] == '\n') first = 0;
            h = (h ^ (unsigned char)buf[i]) * 1099511628211ull;
        }
    }
    if (n < 1 || n > 20) return 1;
    h ^= h >> 29;
    printf("%c%d\n", "LRTB"[h & 3], (int)(1 + (h >> 2) % (uint64_t)n));
    return 0;
}
