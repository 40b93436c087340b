# What `cmake --install` puts in place, in three components: the laifit and laifit-inspect commands with
# the license, the README, the walkthrough and the example (programs), their man pages (manual), and the
# estimator library with its public headers and a CMake package, so that find_package(laifit) gives
# laifit::estimator (development). CPack makes one .deb of all of it, and on Windows a zip of the programs.
include(CMakePackageConfigHelpers)

if(WIN32)
  # The Windows zip is one flat folder: the programs beside the license, the README and what it links to.
  set(laifit_bin_dir .)
  set(laifit_doc_dir .)
else()
  set(laifit_bin_dir ${CMAKE_INSTALL_BINDIR})
  set(laifit_doc_dir ${CMAKE_INSTALL_DOCDIR})
endif()
set(LAIFIT_MAINTAINER "laifit developers <laifit@example.org>" CACHE STRING "The packages' maintainer")

install(TARGETS laifit laifit-inspect RUNTIME DESTINATION ${laifit_bin_dir} COMPONENT programs)
# The README's links (docs/…, examples/…) hold where it is installed.
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${laifit_doc_dir} COMPONENT programs)
install(FILES ${PROJECT_SOURCE_DIR}/docs/fitting-your-own-field.md ${PROJECT_SOURCE_DIR}/docs/trial-2011.png
        DESTINATION ${laifit_doc_dir}/docs
        COMPONENT programs)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/season-2011 DESTINATION ${laifit_doc_dir}/examples
        COMPONENT programs)
# The man pages, and on Debian the copyright file, the changelog and the lintian override.
include(${PROJECT_SOURCE_DIR}/cmake/debian-files.cmake)
# The estimator and the LAI curve link the numeric library (its exp and acos), which comes with them.
# Its headers are private: no public header includes them, so only include/laifit is installed.
install(TARGETS laifit_estimator laifit_curve laifit_numeric EXPORT laifitTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/laifit DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)

set(laifit_package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/laifit)
install(EXPORT laifitTargets NAMESPACE laifit:: DESTINATION ${laifit_package_dir} COMPONENT development)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/laifitConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/laifitConfig.cmake INSTALL_DESTINATION ${laifit_package_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/laifitConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/laifitConfig.cmake ${PROJECT_BINARY_DIR}/laifitConfigVersion.cmake
        DESTINATION ${laifit_package_dir} COMPONENT development)

set(CPACK_PACKAGE_NAME laifit)
set(CPACK_PACKAGE_VENDOR "laifit developers")
set(CPACK_PACKAGE_CONTACT "${LAIFIT_MAINTAINER}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
if(WIN32)
  # laifit-VERSION-win64.zip: the programs component alone, in a folder of that name.
  set(CPACK_GENERATOR ZIP)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL programs)
  set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
  set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
endif()
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "LAI growth-curve fitting against thermal time, and its inspector")
# Lines of at most 79 characters, as lintian asks.
set(CPACK_PACKAGE_DESCRIPTION "laifit fits a leaf-area-index growth curve to field observations against
accumulated thermal time with a Marquardt least-squares estimator, and writes
the fitted curve as a daily LAI series with a printed fit report.
laifit-inspect tells what a run folder will do and shows the fit.
Also the estimator as a C++ library with a CMake package.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# The programs are linked statically when LAIFIT_STATIC is on; otherwise they need the C++ runtime.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
