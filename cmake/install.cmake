# What `cmake --install` puts in place: the laifit and laifit-inspect commands with their man pages and
# the walkthrough, and the estimator library with its public headers and a CMake package, so that
# find_package(laifit) gives laifit::estimator. CPack makes one .deb of all of it.
include(CMakePackageConfigHelpers)

install(TARGETS laifit laifit-inspect RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/man/laifit.1 ${PROJECT_SOURCE_DIR}/man/laifit-inspect.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/fitting-your-own-field.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/season-2011 DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)

# The estimator and the LAI curve link the numeric library (its exp and acos), which comes with them.
install(TARGETS laifit_estimator laifit_curve laifit_numeric EXPORT laifitTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/laifit DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/src/numeric/include/numeric DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

set(laifit_package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/laifit)
install(EXPORT laifitTargets NAMESPACE laifit:: DESTINATION ${laifit_package_dir})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/laifitConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/laifitConfig.cmake INSTALL_DESTINATION ${laifit_package_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/laifitConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/laifitConfig.cmake ${PROJECT_BINARY_DIR}/laifitConfigVersion.cmake
        DESTINATION ${laifit_package_dir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME laifit)
set(CPACK_PACKAGE_VENDOR "laifit developers")
set(CPACK_PACKAGE_CONTACT "laifit developers <laifit@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "LAI growth-curve fitting against thermal time, and its inspector")
set(CPACK_PACKAGE_DESCRIPTION "laifit fits a leaf-area-index growth curve to field observations against
accumulated thermal time with a Marquardt least-squares estimator and writes the fitted curve as a daily LAI
series with a printed fit report; laifit-inspect tells what a run folder will do and shows the fit. Also
the estimator as a C++ library with a CMake package.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# The programs are linked statically when LAIFIT_STATIC is on; otherwise they need the C++ runtime.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
