# Helpers shared by the module CMakeLists files.

# pixelon_module(NAME [DEPENDS libs...]) declares a static library of the *.cpp files in the
# calling folder (subfolders such as ui/ are separate targets).
function(pixelon_module name)
    cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    if(NOT sources)
        return() # a module without sources yet
    endif()
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
    if(ARG_DEPENDS)
        target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
    endif()
endfunction()

# pixelon_test(NAME SOURCES... DEPENDS libs...) declares a GoogleTest program registered with CTest.
function(pixelon_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
    if(NOT ARG_SOURCES)
        return()
    endif()
    foreach(lib ${ARG_DEPENDS})
        if(NOT TARGET ${lib})
            return() # the module under test is not built yet
        endif()
    endforeach()
    add_executable(${name} ${ARG_SOURCES} ${CMAKE_SOURCE_DIR}/tests/support/TestEnvironment.cpp)
    target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} GTest::gtest GTest::gtest_main)
    target_compile_definitions(${name} PRIVATE
        PIXELON_TEST_SOURCE_DIR="${CMAKE_SOURCE_DIR}" PIXELON_TEST_BINARY_DIR="${CMAKE_BINARY_DIR}")
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
endfunction()

# pixelon_qt_tests(PATTERN DEPENDS libs...) declares one Qt Test program per source file matching
# the glob PATTERN (relative to the calling folder), named after the file and run by CTest on the
# offscreen platform.
function(pixelon_qt_tests pattern)
    cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${pattern})
    foreach(src ${sources})
        get_filename_component(name ${src} NAME_WE)
        add_executable(${name} ${src})
        target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} Qt6::Test)
        target_compile_definitions(${name} PRIVATE PIXELON_TEST_BINARY_DIR="${CMAKE_BINARY_DIR}")
        add_test(NAME ${name} COMMAND ${name})
        set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 60)
    endforeach()
endfunction()
