#include "referee/play/config.h"

namespace referee {

const char* eventName(Event e) {
    switch (e) {
        case Event::RoundRobin:
            return "round-robin";
        case Event::Gauntlet:
            return "gauntlet";
        default:
            return "match";
    }
}

std::optional<Event> parseEvent(const std::string& text) {
    for (Event e : {Event::Match, Event::RoundRobin, Event::Gauntlet})
        if (text == eventName(e)) return e;
    return std::nullopt;
}

std::vector<const PlayerSetup*> entrants(const MatchConfig& c) {
    if (c.event == Event::Match) return {&c.a, &c.b};
    std::vector<const PlayerSetup*> all;
    for (const PlayerSetup& p : c.field) all.push_back(&p);
    return all;
}

}  // namespace referee
