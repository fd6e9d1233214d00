# What `cmake --install` puts into its prefix: the two shared libraries with
# versioned sonames (libPelrith.so finds libplat.so beside it through its run
# path), the public headers, a pkg-config file and a CMake package whose
# target Pelrith::Pelrith carries its include folder and the platform library.
# Both the .pc file and the package find their folder from where they lie, so
# the installed tree can be copied anywhere.
include(CMakePackageConfigHelpers)

install(TARGETS Pelrith plat
  EXPORT PelrithTargets
  LIBRARY DESTINATION lib
  PUBLIC_HEADER DESTINATION include)
# The one platform header the library's callers need: global-memory handles.
install(FILES ${PROJECT_SOURCE_DIR}/platform/include/plat/global_memory.h
  DESTINATION include/plat)

install(EXPORT PelrithTargets
  NAMESPACE Pelrith::
  DESTINATION lib/cmake/Pelrith)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/PelrithConfig.cmake.in
  ${PROJECT_BINARY_DIR}/PelrithConfig.cmake
  INSTALL_DESTINATION lib/cmake/Pelrith)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/PelrithConfigVersion.cmake
  VERSION ${PROJECT_VERSION}
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/PelrithConfig.cmake ${PROJECT_BINARY_DIR}/PelrithConfigVersion.cmake
  DESTINATION lib/cmake/Pelrith)

configure_file(${PROJECT_SOURCE_DIR}/cmake/pelrith.pc.in ${PROJECT_BINARY_DIR}/pelrith.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/pelrith.pc DESTINATION lib/pkgconfig)
