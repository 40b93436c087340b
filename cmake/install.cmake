# What `cmake --install` puts in place: the laifit and laifit-inspect commands, and the estimator library
# with its public headers and a CMake package, so that find_package(laifit) gives laifit::estimator.
include(CMakePackageConfigHelpers)

install(TARGETS laifit laifit-inspect RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The estimator links the numeric library (its exp and acos), which comes with it.
install(TARGETS laifit_estimator laifit_numeric EXPORT laifitTargets
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
