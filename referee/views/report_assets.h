// The page's sources from referee/views/report/, compiled into the program (see embed.cmake).
#pragma once

#include <string_view>

namespace referee::assets {

std::string_view page();    // page.html, with the markers the generator fills in
std::string_view style();   // style.css
std::string_view board();   // board.js: the push rules and the board drawing
std::string_view plot();    // plot.js: the line plots over the games
std::string_view script();  // page.js: headline, tables, game list, replay and address

}  // namespace referee::assets
