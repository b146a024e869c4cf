#include "analyze/record.h"

#include <cstdlib>
#include <string_view>

#include "bitrow/tool_handle.h"

namespace analyze {

RecordStatus readRecord(std::FILE* in, Record& record) {
    // The widest bit-row build reads the record with the players' own reader; its moves are
    // kept by name, so that either engine can replay them.
    const bitrow::ToolHandle& reader = bitrow::handle32;
    record = Record{};
    record.size = reader.readSize(in);
    if (record.size < 1 || record.size > largestSize) return RecordStatus::BadSize;
    reader.setSize(record.size);
    for (bitrow::MoveIndex i; !std::feof(in) && (i = reader.readMove(in)) != bitrow::noMove;) {
        if (record.moves.size() >= static_cast<size_t>(recordMoveLimit))
            return RecordStatus::TooLong;
        const char* name = reader.moveName(i);
        record.moves.push_back({name[0], std::atoi(name + 1)});
    }
    return RecordStatus::Ok;
}

RecordStatus readRecordText(const std::string& text, Record& record) {
    record = Record{};
    if (text.empty()) return RecordStatus::BadSize;  // no size line
    std::string copy = text;                         // fmemopen wants a writable buffer
    std::FILE* in = fmemopen(copy.data(), copy.size(), "r");
    if (!in) return RecordStatus::BadSize;
    const RecordStatus status = readRecord(in, record);
    std::fclose(in);
    return status;
}

bool findGame(const std::string& text, int game, std::string& record) {
    const std::string key = "# game: " + std::to_string(game);
    size_t start = 0;  // of the current record
    bool found = false;
    for (size_t pos = 0; pos < text.size();) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        const std::string_view line(text.data() + pos, end - pos);
        if (line == key) found = true;
        const size_t next = end < text.size() ? end + 1 : end;
        if (line == "# end") {
            if (found) {
                record = text.substr(start, next - start);
                return true;
            }
            start = next;
        } else if (line.empty() && start == pos) {
            start = next;  // the blank line between records
        }
        pos = next;
    }
    // A last record without its end line still counts.
    if (found) record = text.substr(start);
    return found;
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
