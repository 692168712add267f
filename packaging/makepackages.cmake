# Makes the packages of a built tree in one step, from one staging directory:
# the ZIP, the Windows installer (when MAKENSIS is given) and SHA256SUMS
# beside them. The same sources give the same bytes: the programs are
# stripped without a time stamp, and every file and entry carries the time
# SOURCE_DATE_EPOCH (the last commit's time when it is not set) and fixed
# permissions, in a fixed order.
#   cmake -DTREE=<build tree> -DSOURCE=<source tree> -DOUTPUT=<directory>
#         -DSTAGING=<scratch directory> -DZIP_NAME=<name.zip> -DSTRIP=<strip>
#         [-DMAKENSIS=<makensis> -DINSTALLER_NAME=<setup.exe>
#          -DNSIS_TARGET=<x86-unicode|amd64-unicode> -DVERSION=<version>]
#         -P makepackages.cmake
cmake_minimum_required(VERSION 3.20)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    list(JOIN ARGN " " command)
    message(FATAL_ERROR "${command} failed (${result}):\n${output}")
  endif()
endfunction()

# Every time below is the sources' own.
set(epoch "$ENV{SOURCE_DATE_EPOCH}")
if(epoch STREQUAL "")
  execute_process(COMMAND git -C "${SOURCE}" log -1 --format=%ct
                  RESULT_VARIABLE result OUTPUT_VARIABLE epoch ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "no SOURCE_DATE_EPOCH and no commit to take it from in ${SOURCE}: set SOURCE_DATE_EPOCH")
  endif()
endif()
# A ZIP holds no time before 1980.
if(NOT epoch MATCHES "^[0-9]+$" OR epoch LESS 315532800)
  message(FATAL_ERROR "SOURCE_DATE_EPOCH='${epoch}' is no time from 1980 on, in seconds")
endif()

# The tree as "cmake --install" lays it out; the programs stripped here,
# where the strip step's time stamp can be held at zero, as the linker left it.
file(REMOVE_RECURSE "${STAGING}")
run(${CMAKE_COMMAND} --install "${TREE}" --prefix "${STAGING}")
file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${STAGING}" "${STAGING}/*")
list(SORT files)
set(programs "")
foreach(file IN LISTS files)
  file(READ "${STAGING}/${file}" magic LIMIT 4 HEX)
  if(magic MATCHES "^4d5a" OR magic STREQUAL "7f454c46")
    run(${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 "${STRIP}" --enable-deterministic-archives "${STAGING}/${file}")
    list(APPEND programs "${file}")
  endif()
endforeach()

# A ZIP of its files in name order, with the permissions and times given
# here: no owner, no time zone (ZIP times are local time), no umask.
function(write_zip directory zip)
  file(GLOB_RECURSE entries LIST_DIRECTORIES false RELATIVE "${directory}" "${directory}/*")
  list(SORT entries)
  list(JOIN entries "\n" list)
  file(WRITE "${zip}.list" "${list}\n")
  file(REMOVE "${zip}")
  run(${CMAKE_COMMAND} -E env TZ=UTC zip -X -D -q "${zip}" -@ WORKING_DIRECTORY "${directory}" INPUT_FILE "${zip}.list")
  file(REMOVE "${zip}.list")
endfunction()

function(stamp directory executables)
  file(GLOB_RECURSE entries LIST_DIRECTORIES true "${directory}/*")
  foreach(entry IN LISTS entries)
    file(RELATIVE_PATH file "${directory}" "${entry}")
    if(IS_DIRECTORY "${entry}" OR file IN_LIST executables)
      file(CHMOD "${entry}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    else()
      file(CHMOD "${entry}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
    endif()
  endforeach()
  run(touch -h -d "@${epoch}" "${directory}" ${entries})
endfunction()

# A jar is a ZIP of the build's times: made again the same way.
foreach(file IN LISTS files)
  if(file MATCHES "\\.jar$")
    set(unpacked "${STAGING}.jar")
    file(REMOVE_RECURSE "${unpacked}")
    file(MAKE_DIRECTORY "${unpacked}")
    run(${CMAKE_COMMAND} -E chdir "${unpacked}" ${CMAKE_COMMAND} -E tar xf "${STAGING}/${file}")
    stamp("${unpacked}" "")
    write_zip("${unpacked}" "${STAGING}/${file}")
    file(REMOVE_RECURSE "${unpacked}")
  endif()
endforeach()

stamp("${STAGING}" "${programs}")
file(MAKE_DIRECTORY "${OUTPUT}")
write_zip("${STAGING}" "${OUTPUT}/${ZIP_NAME}")
set(packages "${ZIP_NAME}")

# The installer from the same staging directory: NSIS keeps each file's time.
if(MAKENSIS)
  get_filename_component(here "${CMAKE_CURRENT_LIST_FILE}" DIRECTORY)
  set(files_nsh "${STAGING}.nsh")
  run(${CMAKE_COMMAND} -DSTAGING=${STAGING} -DOUTPUT=${files_nsh} -P "${here}/installerfiles.cmake")
  file(REMOVE "${OUTPUT}/${INSTALLER_NAME}")
  run("${MAKENSIS}" -V2 -DVERSION=${VERSION} -DSTAGING=${STAGING} -DFILES=${files_nsh} -DTARGET=${NSIS_TARGET}
      -DOUTFILE=${OUTPUT}/${INSTALLER_NAME} "${here}/installer.nsi")
  file(REMOVE "${files_nsh}")
  list(APPEND packages "${INSTALLER_NAME}")
endif()
file(REMOVE_RECURSE "${STAGING}")

# For "sha256sum -c SHA256SUMS" in the package directory.
set(sums "")
foreach(package IN LISTS packages)
  file(SHA256 "${OUTPUT}/${package}" digest)
  string(APPEND sums "${digest}  ${package}\n")
endforeach()
file(WRITE "${OUTPUT}/SHA256SUMS" "${sums}")
