# Makes the release packages from the two Windows builds (run by the
# lumova_release target, see CMakeLists.txt here):
#   OUT_DIR/Lumova-VERSION-setup.exe     the installer
#   OUT_DIR/Lumova-VERSION-portable.zip  x86_64/ and i686/Lumova.scr and README.txt
# Both carry the executables without their debug information.

foreach(var VERSION VERSION_QUAD SCR_X86_64 SCR_I686 STRIP_X86_64 STRIP_I686 MAKENSIS NSI ICON README OUT_DIR WORK_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "package.cmake: -D${var}=... is missing")
  endif()
endforeach()

# The machine field of a PE file's header (IMAGE_FILE_HEADER.Machine).
function(pe_machine file out)
  file(READ "${file}" lfanew OFFSET 60 LIMIT 4 HEX)
  string(REGEX REPLACE "(..)(..)(..)(..)" "0x\\4\\3\\2\\1" lfanew "${lfanew}")
  math(EXPR offset "${lfanew} + 4")
  file(READ "${file}" machine OFFSET ${offset} LIMIT 2 HEX)
  string(REGEX REPLACE "(..)(..)" "\\2\\1" machine "${machine}")
  set(${out} "${machine}" PARENT_SCOPE)
endfunction()

# Trees mixed up would put the 32-bit saver where the 64-bit one belongs.
foreach(arch x86_64:8664 i686:014c)
  string(REPLACE ":" ";" arch "${arch}")
  list(GET arch 0 name)
  list(GET arch 1 expected)
  string(TOUPPER "${name}" upper)
  pe_machine("${SCR_${upper}}" machine)
  if(NOT machine STREQUAL expected)
    message(FATAL_ERROR "${SCR_${upper}} is not an ${name} program (machine ${machine})")
  endif()
endforeach()

set(stage "${WORK_DIR}/portable")
file(REMOVE_RECURSE "${stage}")
file(MAKE_DIRECTORY "${stage}/x86_64" "${stage}/i686" "${OUT_DIR}")
foreach(arch x86_64 i686)
  string(TOUPPER "${arch}" upper)
  execute_process(COMMAND "${STRIP_${upper}}" --strip-debug -o "${stage}/${arch}/Lumova.scr" "${SCR_${upper}}"
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "stripping ${SCR_${upper}} failed")
  endif()
endforeach()
configure_file("${README}" "${stage}/README.txt" @ONLY NEWLINE_STYLE CRLF)

set(setup "${OUT_DIR}/Lumova-${VERSION}-setup.exe")
set(portable "${OUT_DIR}/Lumova-${VERSION}-portable.zip")
file(REMOVE "${setup}" "${portable}")

execute_process(
  COMMAND "${MAKENSIS}" -V2 -WX -INPUTCHARSET UTF8
          "-DVERSION=${VERSION}" "-DVERSION_QUAD=${VERSION_QUAD}"
          "-DSCR_X86_64=${stage}/x86_64/Lumova.scr" "-DSCR_I686=${stage}/i686/Lumova.scr"
          "-DICON=${ICON}" "-DOUTFILE=${setup}" "${NSI}"
  RESULT_VARIABLE failed OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(failed)
  message(FATAL_ERROR "makensis failed (${failed}):\n${output}")
endif()

execute_process(
  COMMAND "${CMAKE_COMMAND}" -E tar cf "${portable}" --format=zip x86_64/Lumova.scr i686/Lumova.scr README.txt
  WORKING_DIRECTORY "${stage}" RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "making ${portable} failed")
endif()
message(STATUS "made ${setup} and ${portable}")
