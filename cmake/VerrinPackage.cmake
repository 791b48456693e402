# libverrin.so.1 as a library other programs build against: the library with its development
# link, verrin.h, a pkg-config file and a CMake package (find_package(Verrin) gives the target
# Verrin::verrin).
include(CMakePackageConfigHelpers)

install(TARGETS verrin EXPORT VerrinTargets
        LIBRARY DESTINATION ${PIXELON_PUBLIC_LIBDIR}
        PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

set(VERRIN_CMAKEDIR ${PIXELON_PUBLIC_LIBDIR}/cmake/Verrin)
install(EXPORT VerrinTargets NAMESPACE Verrin:: DESTINATION ${VERRIN_CMAKEDIR})
file(WRITE ${CMAKE_BINARY_DIR}/verrin/VerrinConfig.cmake
     "include(\${CMAKE_CURRENT_LIST_DIR}/VerrinTargets.cmake)\n")
write_basic_package_version_file(${CMAKE_BINARY_DIR}/verrin/VerrinConfigVersion.cmake
                                 VERSION 1.0.0 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/verrin/VerrinConfig.cmake
              ${CMAKE_BINARY_DIR}/verrin/VerrinConfigVersion.cmake
        DESTINATION ${VERRIN_CMAKEDIR})

# The .pc file names its folders relative to its own prefix, so the tree can be moved.
file(RELATIVE_PATH VERRIN_PC_UP /prefix/${PIXELON_PUBLIC_LIBDIR}/pkgconfig /prefix)
set(VERRIN_PC_LIBDIR ${PIXELON_PUBLIC_LIBDIR})
set(VERRIN_PC_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR})
configure_file(${CMAKE_SOURCE_DIR}/installer/verrin.pc.in ${CMAKE_BINARY_DIR}/verrin/verrin.pc
               @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/verrin/verrin.pc DESTINATION ${PIXELON_PUBLIC_LIBDIR}/pkgconfig)
