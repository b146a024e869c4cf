#include "byteboard/printboard.h"

namespace byteboard::BYTEBOARD_NS {

namespace {

void border(std::FILE* out) {
    std::fputs("                  +", out);
    for (int c = 0; c < N; c++) std::fputc('-', out);
    std::fputs("+\n", out);
}

}  // namespace

void printboard(const posrec& rec, std::FILE* out) {
    border(out);
    for (int r = 0; r < N; r++) {
        const linescore& s = rec.row[r];
        std::fprintf(out, "%2d: %4d:%d/%4d:%d |", r + 1, s.xscore, s.xfull, s.oscore, s.ofull);
        for (int c = 0; c < N; c++) {
            uint8_t code = rec.cell[r * N + c];
            std::fprintf(out, "%c", code == 0 ? ' ' : code == 1 ? 'X' : 'O');
        }
        std::fputs("|\n", out);
    }
    border(out);
    std::fputs("                   ", out);
    for (int c = 1; c <= N; c++) std::fprintf(out, "%d", c % 10);
    std::fputs("\n\n", out);
    for (int c = 0; c < N; c++) {
        const linescore& s = rec.col[c];
        std::fprintf(out, "%2d: %4d:%d/%4d:%d\n", c + 1, s.xscore, s.xfull, s.oscore, s.ofull);
    }
    std::fprintf(out, "score x=%d:%d o=%d:%d\n", rec.xtotal, rec.xstraights, rec.ototal,
                 rec.ostraights);
}

}  // namespace byteboard::BYTEBOARD_NS
