# What Debian's policy asks of an installed package beside its files: the man pages compressed (gzip -9n:
# no name, no timestamp, so every build gives the same bytes), the license as a machine-readable copyright
# file, the changelog compressed, and the override of lintian's tag for the static programs. On Windows the
# license is the plain LICENSE file.
find_program(LAIFIT_GZIP gzip REQUIRED)
set(laifit_debian_dir ${PROJECT_BINARY_DIR}/debian-files)

# The copyright file: the MIT License (Expat, in the format's names) under a header for the whole source.
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE license_lines)
list(SUBLIST license_lines 4 -1 license_terms)
set(copyright "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
              "Upstream-Name: laifit\n\nFiles: *\nCopyright: 2026 the laifit developers\nLicense: Expat\n")
foreach(line IN LISTS license_terms)
  if(line STREQUAL "")
    string(APPEND copyright " .\n")
  else()
    string(APPEND copyright " ${line}\n")
  endif()
endforeach()
file(WRITE ${laifit_debian_dir}/copyright ${copyright})
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${laifit_debian_dir}/changelog @ONLY)

# Each file is copied beside its compressed copy's place and compressed there when its source changes.
set(laifit_gzipped)
foreach(source ${PROJECT_SOURCE_DIR}/man/laifit.1 ${PROJECT_SOURCE_DIR}/man/laifit-inspect.1
               ${laifit_debian_dir}/changelog)
  get_filename_component(name ${source} NAME)
  set(copy ${laifit_debian_dir}/gz/${name})
  add_custom_command(OUTPUT ${copy}.gz
                     COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy}
                     COMMAND ${LAIFIT_GZIP} -9nf ${copy}
                     DEPENDS ${source} VERBATIM)
  list(APPEND laifit_gzipped ${copy}.gz)
endforeach()
add_custom_target(laifit_debian_files ALL DEPENDS ${laifit_gzipped})

install(FILES ${laifit_debian_dir}/gz/laifit.1.gz ${laifit_debian_dir}/gz/laifit-inspect.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT manual)
if(WIN32)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${laifit_doc_dir} COMPONENT programs)
else()
  install(FILES ${laifit_debian_dir}/copyright ${laifit_debian_dir}/gz/changelog.gz DESTINATION ${laifit_doc_dir}
          COMPONENT programs)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides
          DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME laifit COMPONENT programs)
endif()
