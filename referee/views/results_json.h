// The results as one JSON document: what `--json` and `referee tally --json` write and what
// the report page carries and reads. docs/results-json.md gives every field and its unit.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "referee/records/record.h"
#include "referee/results/results.h"

namespace referee {

// The games of a document, each with the file it was read from ("" when none).
struct ListedGames {
    const std::vector<GameRecord>& records;
    const std::vector<std::string>& files;  // one per record, or empty
};

// The document. `pretty` indents it for a file; otherwise it is one line in which '<', '>'
// and '&' are escaped, safe inside a <script> element. `live`: the run is still playing and
// the document will be written again (the page then reloads itself).
std::string resultsJson(const std::string& title, const Results& r, const ListedGames& games,
                        bool pretty, bool live = false);

// Writes the pretty document to `file` (replaced whole, through a temporary file beside it).
// The error text or nothing.
std::optional<std::string> writeResultsJson(const std::string& file, const std::string& title,
                                            const Results& r, const ListedGames& games);

}  // namespace referee
