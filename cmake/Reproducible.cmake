# Release binaries whose bytes depend only on the sources and the images,
# not on where or when they were built: the build directories' paths mapped
# away from anything compiled in, no symbol tables (they name the object
# files), and on Windows no link time stamp in the executable's header.
option(QEV_REPRODUCIBLE "Build release binaries: no build paths, symbol tables or time stamps in them" OFF)

if(WIN32)
  # The PE header's time stamp is the only date a link puts in; nothing reads it.
  add_link_options(-Wl,--no-insert-timestamp)
endif()

if(QEV_REPRODUCIBLE)
  # The later map wins for a path under both (a build tree inside the sources).
  add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=. -ffile-prefix-map=${PROJECT_BINARY_DIR}=build)
  add_link_options(-s)
endif()
