# Writes a manual page from a program's --help, when it is installed:
#   cmake -DPROGRAM=exe -DNAME=name -DSUMMARY=text -DVERSION=x.y.z -DOUT=file
#         [-DMORE=roff file of further sections] [-DFROM=text -DTO=text] -P ManPage.cmake
# The help text is the page's description as it stands; FROM, where it
# occurs (the build's folder), is replaced by TO (the installed one).
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ${PROGRAM} --help
  OUTPUT_VARIABLE help RESULT_VARIABLE rc ERROR_QUIET)
if(NOT rc EQUAL 0 OR help STREQUAL "")
  message(FATAL_ERROR "${PROGRAM} --help gave nothing (${rc})")
endif()
if(DEFINED FROM AND NOT FROM STREQUAL "")
  string(REPLACE "${FROM}" "${TO}" help "${help}")
endif()
# The usage line is the synopsis.
string(REGEX REPLACE "^Usage: [^\n]*\n" "" help "${help}")
# Roff: a backslash is written \e, a line may not start with a dot or an
# apostrophe, and option dashes are minus signs.
string(REPLACE "\\" "\\e" help "${help}")
string(REPLACE "-" "\\-" help "${help}")
string(REGEX REPLACE "\n([.'])" "\n\\\\&\\1" help "${help}")
string(TOUPPER "${NAME}" title)
set(page ".TH ${title} 1 \"\" \"Beaconboard ${VERSION}\" \"User Commands\"\n")
string(APPEND page ".SH NAME\n${NAME} \\- ${SUMMARY}\n")
string(APPEND page ".SH SYNOPSIS\n.B ${NAME}\n[\\fIoptions\\fR]\n")
string(APPEND page ".SH DESCRIPTION\n.nf\n${help}.fi\n")
if(DEFINED MORE AND NOT MORE STREQUAL "")
  file(READ "${MORE}" more)
  string(APPEND page "${more}")
endif()
get_filename_component(folder "${OUT}" DIRECTORY)
file(MAKE_DIRECTORY "${folder}")
file(WRITE "${OUT}" "${page}")
message(STATUS "Installing: ${OUT}")
