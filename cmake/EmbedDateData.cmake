# Writes OUTPUT, a C++ source holding each file of INPUTS (a ;-list) as a byte array,
# with a table of (language, bytes, size) named after each file's stem ("de.txt" is
# "de"). Run with cmake -P at build time, so the data sits in the library and no path
# to it is needed when the program runs.
set(arrays "")
set(entries "")
set(n 0)
foreach(input ${INPUTS})
  get_filename_component(language ${input} NAME_WE)
  file(READ ${input} hex HEX)
  string(LENGTH "${hex}" length)
  math(EXPR size "${length} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(APPEND arrays "const unsigned char kData${n}[] = {${bytes}0};\n")
  string(APPEND entries "    {\"${language}\", kData${n}, ${size}},\n")
  math(EXPR n "${n} + 1")
endforeach()
file(WRITE ${OUTPUT}.tmp
"// Generated from platform/foundation/data/dates/ by cmake/EmbedDateData.cmake.
#include \"detect/DateData.h\"

namespace foundation::detect {
namespace {
${arrays}}  // namespace

const EmbeddedDateData kEmbeddedDateData[] = {
${entries}};
const std::size_t kEmbeddedDateDataCount = ${n};

}  // namespace foundation::detect
")
# Rewritten only on change, so that an unchanged file does not rebuild the library.
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
