#include "referee/text/table.h"

#include <algorithm>

namespace referee {

void TextTable::add(std::vector<std::string> cells) {
    cells.resize(columns.size());
    rows.push_back(std::move(cells));
}

std::vector<std::string> TextTable::lines() const {
    std::vector<size_t> width(columns.size());
    for (size_t c = 0; c < columns.size(); c++) {
        width[c] = columns[c].header.size();
        for (const auto& row : rows) width[c] = std::max(width[c], row[c].size());
    }
    auto line = [&](auto cell) {
        std::string out;
        for (size_t c = 0; c < columns.size(); c++) {
            const std::string& text = cell(c);
            const std::string fill(width[c] - text.size(), ' ');
            if (c > 0) out += "  ";
            out += columns[c].align == Align::Right ? fill + text : text + fill;
        }
        out.erase(out.find_last_not_of(' ') + 1);
        return out;
    };
    std::vector<std::string> out;
    out.push_back(line([&](size_t c) -> const std::string& { return columns[c].header; }));
    for (const auto& row : rows)
        out.push_back(line([&](size_t c) -> const std::string& { return row[c]; }));
    return out;
}

std::string TextTable::text() const {
    std::string out;
    for (const std::string& l : lines()) out += l + "\n";
    return out;
}

}  // namespace referee
