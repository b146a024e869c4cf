#include "analyze/record.h"

#include <cstdlib>

#include "bitrow/api.h"

namespace analyze {

RecordStatus readRecord(std::FILE* in, Record& record) {
    // The widest bit-row build reads the record with the players' own reader; its moves are
    // kept by name, so that either engine can replay them.
    const bitrow::Engine& reader = bitrow::engine32;
    record = Record{};
    record.size = reader.readSize(in);
    if (record.size < 1 || record.size > largestSize) return RecordStatus::BadSize;
    reader.setSize(record.size);
    for (int i; !std::feof(in) && (i = reader.readMove(in)) >= 0;) {
        if (record.moves.size() >= static_cast<size_t>(recordMoveLimit))
            return RecordStatus::TooLong;
        const char* name = reader.moveName(i);
        record.moves.push_back({name[0], std::atoi(name + 1)});
    }
    return RecordStatus::Ok;
}

std::string moveText(const Move& move) {
    return move.side + std::to_string(move.number);
}

std::string recordText(const Record& record) {
    std::string text = std::to_string(record.size) + "\n";
    for (const Move& m : record.moves) text += moveText(m) + "\n";
    return text;
}

}  // namespace analyze
