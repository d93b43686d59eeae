# orvek_library(NAME DEPS...): a static library from every .cpp of the current folder.
function(orvek_library name)
  file(GLOB _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT _sources)
    # A module with nothing in it yet still links.
    set(_empty ${CMAKE_CURRENT_BINARY_DIR}/${name}_empty.cpp)
    file(WRITE ${_empty} "namespace orvek {}\n")
    set(_sources ${_empty})
  endif()
  add_library(${name} STATIC ${_sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARGN})
endfunction()

# orvek_add_test(NAME SOURCES src... LIBS lib... LABELS label...)
function(orvek_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  # A test whose sources are not all there yet (work in progress) is left out with a warning.
  foreach(_src ${T_SOURCES})
    if(NOT IS_ABSOLUTE ${_src})
      set(_src ${CMAKE_CURRENT_SOURCE_DIR}/${_src})
    endif()
    if(NOT EXISTS ${_src})
      message(WARNING "test ${name} left out: ${_src} is missing")
      return()
    endif()
  endforeach()
  # Tests of parts left out of this build (the GUI in a library-only build) are left out too.
  foreach(_lib ${T_LIBS})
    if(NOT TARGET ${_lib} AND (_lib MATCHES "::" OR _lib MATCHES "^orvek_"))
      message(STATUS "test ${name} left out: ${_lib} is not part of this build")
      return()
    endif()
  endforeach()
  add_executable(${name} ${T_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${T_LIBS} orvek_testsupport GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${T_LABELS}"
               ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  # Source, build and real-data folders reach the tests through tests/support (compiled in).
endfunction()

# Adds every immediate sub-folder that holds a CMakeLists.txt. Folders whose name matches
# one of the regular expressions given are skipped.
function(orvek_add_subfolders)
  file(GLOB _children LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT _children)
  foreach(_child ${_children})
    get_filename_component(_leaf ${_child} NAME)
    set(_skip FALSE)
    foreach(_pattern ${ARGN})
      if(_leaf MATCHES "${_pattern}")
        set(_skip TRUE)
      endif()
    endforeach()
    if(NOT _skip AND IS_DIRECTORY ${_child} AND EXISTS ${_child}/CMakeLists.txt)
      add_subdirectory(${_child})
    endif()
  endforeach()
endfunction()
