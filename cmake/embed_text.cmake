# Writes a text file into a C++ header as one character array, so that a
# program carries the file without a separate build step:
#   cmake -DIN=page.html -DOUT=page.h -DNAME=page_html -P embed_text.cmake
file(READ "${IN}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
# Forty bytes a line keeps the header readable in an editor.
string(REGEX REPLACE "(('[^']*',){40})" "\\1\n" bytes "${bytes}")
get_filename_component(in_name "${IN}" NAME)
file(WRITE "${OUT}.tmp" "// Generated from ${in_name} at build time; edit that file instead.\n#pragma once\nstatic const char ${NAME}[] = {\n${bytes}'\\0'};\n")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
