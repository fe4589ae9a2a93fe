# Compiles resource files into a library, so that the installed program is one file.
# Each file is res/<type>/<id>.<ext>, e.g. res/bitmap/152.bmp (a .bmp file; its packed bitmap is kept) or
# res/icon/135.ico; it is found at run time by type and id.
function(veltane_embed_resources target dir)
  file(GLOB_RECURSE files CONFIGURE_DEPENDS "${dir}/bitmap/*" "${dir}/icon/*")
  list(SORT files)
  set(out "${CMAKE_CURRENT_BINARY_DIR}/embedded_resources.cpp")
  add_custom_command(
    OUTPUT "${out}"
    COMMAND ${CMAKE_COMMAND} -DOUT=${out} -DROOT=${dir} "-DFILES=${files}"
            -P "${PROJECT_SOURCE_DIR}/cmake/GenerateResourceTable.cmake"
    DEPENDS ${files} "${PROJECT_SOURCE_DIR}/cmake/GenerateResourceTable.cmake"
    COMMENT "Embedding resources"
    VERBATIM)
  add_library(${target} STATIC "${out}")
endfunction()
