# Turns the page's source files into C++ byte arrays, so that the referee writes reports
# without reading anything at run time.
#   cmake -DOUT=assets.cpp -DNAMES=page,style -DFILES=a.html,b.css -P embed.cmake
string(REPLACE "," ";" NAMES "${NAMES}")
string(REPLACE "," ";" FILES "${FILES}")
set(text "// Made from referee/views/report/ by embed.cmake at build time.\n")
string(APPEND text "#include \"referee/views/report_assets.h\"\n\nnamespace referee::assets {\n")
list(LENGTH NAMES count)
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
    list(GET NAMES ${i} name)
    list(GET FILES ${i} file)
    file(READ ${file} hex HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(APPEND text "namespace {\nconst unsigned char ${name}Bytes[] = {${bytes}0};\n}\n")
    string(APPEND text "std::string_view ${name}() {\n    return {reinterpret_cast<const char*>(${name}Bytes), sizeof ${name}Bytes - 1};\n}\n")
endforeach()
string(APPEND text "}  // namespace referee::assets\n")
file(WRITE ${OUT} "${text}")
