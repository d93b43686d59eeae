# cmake -DIN=file -DOUT=source.cpp -DNAME=symbol -P EmbedText.cmake
# Writes a C++ source holding the bytes of IN as `extern const unsigned char NAME[]` and
# `extern const unsigned long NAME_size`.
file(READ "${IN}" _hex HEX)
string(LENGTH "${_hex}" _len)
math(EXPR _size "${_len} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," _bytes "${_hex}")
file(WRITE "${OUT}" "// Generated from ${IN}; do not edit.\n"
  "extern const unsigned char ${NAME}[] = {${_bytes} 0};\n"
  "extern const unsigned long ${NAME}_size = ${_size};\n")
