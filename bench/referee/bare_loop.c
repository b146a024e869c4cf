/* The least a referee that starts one process per turn can do: for every ply the players
 * played in a record file the referee wrote, fork the player, write it the game so far
 * through a pipe, read its answer line, wait for it. Nothing is judged or written.
 * Usage: bare_loop RECORDS PLAYER [ARG]. Prints the number of turns run. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

static void turn(char** argv, const char* input, size_t size) {
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) exit(1);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        close(in[0]), close(in[1]), close(out[0]), close(out[1]);
        execv(argv[0], argv);
        _exit(127);
    }
    close(in[0]), close(out[1]);
    if (write(in[1], input, size) != (ssize_t)size) exit(1);
    close(in[1]);
    char line[256];
    while (read(out[0], line, sizeof line) > 0) {
    }
    close(out[0]);
    waitpid(pid, NULL, 0);
}

int main(int argc, char** argv) {
    FILE* f = argc > 2 ? fopen(argv[1], "r") : NULL;
    if (!f) return fprintf(stderr, "usage: bare_loop RECORDS PLAYER [ARG]\n"), 2;
    static char game[1 << 20], line[4096];
    size_t size = 0;
    long turns = 0, plies = 0, opening = 0;
    while (fgets(line, sizeof line, f)) {
        size_t len = strlen(line);
        if (sscanf(line, "# opening-plies: %ld", &opening) == 1) continue;
        if (strcmp(line, "# end\n") == 0 && size > 0) {
            /* Replay: the game up to each ply the players made, one turn each. */
            const char* end = game; /* the input of ply P: the size line and P - 1 plies */
            for (long ply = 1; ply <= plies; ply++) {
                const char* eol = memchr(end, '\n', (size_t)(game + size - end));
                if (!eol) break;
                end = eol + 1;
                if (ply > opening) turn(argv + 2, game, (size_t)(end - game)), turns++;
            }
            size = 0, plies = 0, opening = 0;
        } else if (line[0] != '#' && line[0] != '\n' && size + len < sizeof game) {
            memcpy(game + size, line, len + 1), size += len; /* and the NUL */
            plies += size != len; /* every line after the size line is a ply */
        }
    }
    printf("%ld\n", turns);
    return 0;
}
