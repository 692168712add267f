# The programs depend on their sources alone: no path of the source or the
# build tree in them (__FILE__, debug information), so that two checkouts in
# different places build the same bytes. The build tree may lie inside the
# source tree; the later, longer mapping wins there.
foreach(language C CXX)
  add_compile_options($<$<COMPILE_LANGUAGE:${language}>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}=/pvtools>
                      $<$<COMPILE_LANGUAGE:${language}>:-ffile-prefix-map=${CMAKE_BINARY_DIR}=/pvtools/build>)
endforeach()

# No link time in the PE header or the export table: the same objects link
# to the same bytes. Set here rather than as the toolchain's initial flags,
# so that a tree configured before keeps to it too.
if(WIN32)
  add_link_options(-Wl,--no-insert-timestamp)
endif()
