# Writes OUTPUT, a C++ source holding the bytes of INPUT as zel23tool::kSample.
# Run as: cmake -DINPUT=<file> -DOUTPUT=<file.cpp> -P embed.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
# Sixteen bytes per line keeps the generated file readable in a diff.
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REPEAT "0x..," 16 line_pattern)
string(REGEX REPLACE "(${line_pattern})" "\\1\n  " bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${INPUT} by embed.cmake; do not edit.\n"
  "#include <cstddef>\n\n"
  "namespace zel23tool {\n"
  "extern const unsigned char kSampleBytes[];\n"
  "extern const std::size_t kSampleSize;\n"
  "// One extra zero byte so that an empty sample still has an array.\n"
  "const unsigned char kSampleBytes[] = {\n  ${bytes}0x00};\n"
  "const std::size_t kSampleSize = ${size};\n"
  "} // namespace zel23tool\n")
# Replacing only on change keeps the tool from relinking for nothing.
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
