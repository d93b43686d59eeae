# orvek_publish_headers(TARGET): the headers of the current folder, and only those, become
# visible to TARGET and to whatever links it, as "<folder>/<header>.h". They are linked into
# a staging folder of the target's own (build/include/TARGET/<folder>/); the source folder
# itself is on no include path. A library therefore sees its own headers and those of the
# libraries it links, and an include of a higher layer (core including measure/...) fails to
# compile.
function(orvek_publish_headers target)
  get_filename_component(_folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  set(_stage ${PROJECT_BINARY_DIR}/include/${target})
  file(GLOB _headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  # Emptied first, so that a header removed from the folder is not found any more.
  file(REMOVE_RECURSE ${_stage})
  file(MAKE_DIRECTORY ${_stage}/${_folder})
  foreach(_header ${_headers})
    get_filename_component(_leaf ${_header} NAME)
    file(CREATE_LINK ${_header} ${_stage}/${_folder}/${_leaf} SYMBOLIC)
  endforeach()
  target_include_directories(${target} PUBLIC ${_stage})
endfunction()

# orvek_library(NAME DEPS... [EXCLUDE source...]): a static library from every .cpp of the
# current folder but those excluded, which publishes the folder's headers
# (orvek_publish_headers) and links DEPS publicly.
function(orvek_library name)
  cmake_parse_arguments(L "" "" "EXCLUDE" ${ARGN})
  file(GLOB _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(L_EXCLUDE)
    list(REMOVE_ITEM _sources ${L_EXCLUDE})
  endif()
  if(NOT _sources)
    # A module with nothing in it yet still links.
    set(_empty ${CMAKE_CURRENT_BINARY_DIR}/${name}_empty.cpp)
    file(WRITE ${_empty} "namespace orvek {}\n")
    set(_sources ${_empty})
  endif()
  add_library(${name} STATIC ${_sources})
  orvek_publish_headers(${name})
  target_link_libraries(${name} PUBLIC ${L_UNPARSED_ARGUMENTS})
endfunction()

# orvek_add_test(NAME SOURCES src... LIBS lib... LABELS label...)
function(orvek_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  # A test never drops out of the suite unnoticed: a missing source stops the configure.
  foreach(_src ${T_SOURCES})
    if(NOT IS_ABSOLUTE ${_src})
      set(_src ${CMAKE_CURRENT_SOURCE_DIR}/${_src})
    endif()
    if(NOT EXISTS ${_src})
      message(FATAL_ERROR "test ${name}: source ${_src} is missing")
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
  # The libraries' headers come through the libraries linked; the tests' own from tests/.
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
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
