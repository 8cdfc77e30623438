# cmake -DZEL23=<zel23 binary> -DOUTPUT=<file> -P manpage_subcommands.cmake
# Writes a help2man include file whose SUBCOMMANDS section holds the --help
# of every subcommand that `zel23 --help` lists, as preformatted text.

execute_process(COMMAND "${ZEL23}" --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${ZEL23} --help failed")
endif()
string(REGEX MATCH "\nSubcommands:\n(([ ]+[^\n]*\n)+)" block "${help}")
string(REGEX MATCHALL "\n  ([a-z]+) " names "\n${CMAKE_MATCH_1}")

set(page "[SUBCOMMANDS]\n")
foreach(entry IN LISTS names)
  string(STRIP "${entry}" name)
  execute_process(COMMAND "${ZEL23}" ${name} --help OUTPUT_VARIABLE text
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${ZEL23} ${name} --help failed")
  endif()
  # roff: a backslash is \e, and a line may not start with a dot.
  string(REPLACE "\\" "\\e" text "${text}")
  string(REGEX REPLACE "\n\\." "\n\\\\&." text "${text}")
  string(APPEND page ".SS ${name}\n.nf\n${text}.fi\n")
endforeach()
file(WRITE "${OUTPUT}" "${page}")
