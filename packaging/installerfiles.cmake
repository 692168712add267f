# Writes the installer's file lists from the tree that "cmake --install"
# laid out, so that the installer installs and removes what the ZIP holds.
#   cmake -DSTAGING=<tree> -DOUTPUT=<file.nsh> -P installerfiles.cmake
# Settings.ini is left out: the installer writes it through plover.
file(GLOB_RECURSE files RELATIVE "${STAGING}" "${STAGING}/*")
list(SORT files)
list(REMOVE_ITEM files "toolsets/PVSDK/Settings.ini")

set(install "!macro InstallFiles\n")
set(free "!macro WaitUntilFilesFree UN\n")
set(remove "!macro UninstallFiles\n")
set(directories "")
set(current "")
foreach(file IN LISTS files)
  get_filename_component(directory "${file}" DIRECTORY)
  string(REPLACE "/" "\\" windows_file "${file}")
  string(REPLACE "/" "\\" windows_directory "${directory}")
  if(NOT directory STREQUAL current)
    string(APPEND install "  SetOutPath \"$INSTDIR\\${windows_directory}\"\n")
    set(current "${directory}")
  endif()
  string(APPEND install "  File \"${STAGING}/${file}\"\n")
  string(APPEND free "  Push \"${windows_file}\"\n  Call \${UN}WaitUntilFree\n")
  string(APPEND remove "  Delete \"$INSTDIR\\${windows_file}\"\n")
  # Every directory above the file, for removal when empty.
  while(directory)
    list(APPEND directories "${directory}")
    get_filename_component(directory "${directory}" DIRECTORY)
  endwhile()
endforeach()
list(REMOVE_DUPLICATES directories)
# bin and toolsets are the IDE's own: the installer accepts no directory without them.
list(REMOVE_ITEM directories bin toolsets)
# Deepest first; RMDir without /r leaves a directory that holds anything else.
list(SORT directories)
list(REVERSE directories)
foreach(directory IN LISTS directories)
  string(REPLACE "/" "\\" windows_directory "${directory}")
  string(APPEND remove "  RMDir \"$INSTDIR\\${windows_directory}\"\n")
endforeach()
file(WRITE "${OUTPUT}" "${install}!macroend\n${free}!macroend\n${remove}!macroend\n")
