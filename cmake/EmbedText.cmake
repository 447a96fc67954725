# Writes a C++ source file that holds the text of one file as a constant, so
# that programs carry installation files (schema, translated texts) with them
# and work from any folder.
#   cmake -DINPUT=file -DOUTPUT=file.cpp -DSYMBOL=name -P EmbedText.cmake
file(READ "${INPUT}" _text)
string(FIND "${_text}" ")ct_embed\"" _clash)
if(NOT _clash EQUAL -1)
  message(FATAL_ERROR "${INPUT} contains the raw-string delimiter )ct_embed\"")
endif()
set(_out "// Generated from ${INPUT}; do not edit.\n")
string(APPEND _out "extern const char* const ${SYMBOL};\n")
string(APPEND _out "const char* const ${SYMBOL} = R\"ct_embed(${_text})ct_embed\";\n")
file(WRITE "${OUTPUT}.tmp" "${_out}")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
