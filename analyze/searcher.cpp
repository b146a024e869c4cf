#include "analyze/searcher.h"

namespace analyze {

std::unique_ptr<Searcher> makeBitRowSearcher(int width, int n, std::string& error);
std::unique_ptr<Searcher> makeByteBoardSearcher(int n, std::string& error);

int Searcher::straights(int player) const {
    const int n = size();
    int lines = 0;
    for (int i = 0; i < n; i++) {
        bool row = true, col = true;
        for (int j = 0; j < n; j++) {
            row = row && cell(i, j) == player;
            col = col && cell(j, i) == player;
        }
        lines += row + col;
    }
    return lines;
}

std::unique_ptr<Searcher> makeSearcher(EngineKind kind, int width, int n, std::string& error) {
    if (kind == EngineKind::ByteBoard) return makeByteBoardSearcher(n, error);
    return makeBitRowSearcher(width, n, error);
}

}  // namespace analyze
