#include "referee/players/protocol.h"

namespace referee {

std::optional<Protocol> parseProtocol(const std::string& text) {
    if (text == "bitrow") return Protocol::BitRow;
    if (text == "byteboard") return Protocol::ByteBoard;
    return std::nullopt;
}

const char* protocolName(Protocol p) {
    return p == Protocol::BitRow ? "bitrow" : "byteboard";
}

std::string playerInput(Protocol protocol, int n, const std::vector<model::Move>& moves) {
    std::string text;
    if (protocol == Protocol::BitRow) text = std::to_string(n) + "\n";
    for (const model::Move& m : moves) text += model::moveName(m) + "\n";
    return text;
}

}  // namespace referee
