# cmake -DINPUT=file -DOUTPUT=file.cpp -DSYMBOL=name -P EmbedBytes.cmake
# Writes a C++ source that holds the bytes of INPUT as sgvr::SYMBOL and
# sgvr::SYMBOLSize.
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n    " bytes "${bytes}")
if(size EQUAL 0)
  set(bytes "0")
endif()
file(WRITE ${OUTPUT}.tmp
"// Generated at build time from ${INPUT}; do not edit.
#include <cstddef>
#include <cstdint>

namespace sgvr {

extern const uint8_t ${SYMBOL}[] = {
    ${bytes}
};
extern const size_t ${SYMBOL}Size = ${size};

}  // namespace sgvr
")
file(RENAME ${OUTPUT}.tmp ${OUTPUT})
