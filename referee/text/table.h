// Text in aligned columns, for the terminal: every column as wide as its widest cell, the
// header included; a right-aligned column (numbers) has its header right-aligned over it.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace referee {

class TextTable {
  public:
    enum class Align { Left, Right };
    struct Column {
        std::string header;
        Align align = Align::Left;
    };
    explicit TextTable(std::vector<Column> columns) : columns(std::move(columns)) {}

    // One row; missing cells are blank, extra ones are dropped.
    void add(std::vector<std::string> cells);

    // The header line, then one line per row, columns two blanks apart, no trailing blanks.
    std::vector<std::string> lines() const;
    // The same, each line ended by a newline.
    std::string text() const;

  private:
    std::vector<Column> columns;
    std::vector<std::vector<std::string>> rows;
};

}  // namespace referee
