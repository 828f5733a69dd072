# vb_library(NAME [DEPS lib...] [PRIVATE_DEPS lib...])
# One static library per subsystem folder, made of every .cpp below the folder.
# Includes are written from the repository root: #include "foundation/List.h".
function(vb_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;PRIVATE_DEPS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}")
    target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE "${PROJECT_SOURCE_DIR}")
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# vb_test_program(NAME SOURCES LIBS)
# A test program of the given test files with the main that picks one file's
# tests (tests/support/main/FileMain.cpp).
function(vb_test_program name sources libs)
  add_executable(${name} ${sources} "${CMAKE_CURRENT_SOURCE_DIR}/support/main/FileMain.cpp")
  target_link_libraries(${name} PRIVATE ${libs} testsupport GTest::gtest)
  if(VB_SANITIZE)
    # The tests' own code compiles unoptimised: the libraries under test
    # (and the program the scenario tests run) are what -O1 speeds up, and
    # the test files build much faster without it.
    target_compile_options(${name} PRIVATE -O0)
  endif()
  # The shared precompiled header (tests/CMakeLists.txt); a test whose flags
  # stop matching it is told so instead of silently parsing everything again.
  target_precompile_headers(${name} REUSE_FROM testpch)
  target_compile_options(${name} PRIVATE -Winvalid-pch)
endfunction()

# vb_tests(FOLDER LIBS lib... [OWN_PROGRAM Stem...])
# One test program per folder, tests_FOLDER, made of every test file in
# tests/FOLDER: linking one sanitized program per file took most of the build.
# Each file still is a CTest test of its own, FOLDER_Stem, that runs only that
# file's tests in a process of its own (FileMain.cpp picks them by the file
# GoogleTest records for each test). A utility target of the same name builds
# the program and whatever that test needs at run time (add_dependencies on
# it, as tests/CMakeLists.txt does); vb_test_definitions and
# vb_test_libraries give one file its compile definitions and the program the
# libraries that file needs. A file that changes the whole process (replaces
# operator new, sets the leak checker's suppressions) is named in OWN_PROGRAM
# and keeps a program of its own, FOLDER_Stem, so that it changes nothing for
# the other files' tests.
function(vb_tests folder)
  cmake_parse_arguments(ARG "" "" "LIBS;OWN_PROGRAM" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp")
  set(shared "")
  foreach(source ${sources})
    get_filename_component(stem "${source}" NAME_WE)
    if(stem IN_LIST ARG_OWN_PROGRAM)
      vb_test_program(${folder}_${stem} "${source}" "${ARG_LIBS}")
    else()
      list(APPEND shared "${source}")
    endif()
  endforeach()
  if(shared)
    vb_test_program(tests_${folder} "${shared}" "${ARG_LIBS}")
  endif()
  foreach(source ${sources})
    get_filename_component(stem "${source}" NAME_WE)
    get_filename_component(name "${source}" NAME)
    set(test "${folder}_${stem}")
    if(stem IN_LIST ARG_OWN_PROGRAM)
      set(program ${test})
    else()
      set(program tests_${folder})
      add_custom_target(${test})
      add_dependencies(${test} ${program})
    endif()
    set_property(GLOBAL PROPERTY "VB_TEST_PROGRAM_${test}" ${program})
    set_property(GLOBAL PROPERTY "VB_TEST_SOURCE_${test}" "${source}")
    add_test(NAME ${test} COMMAND ${program} "--vb_test_file=${name}")
    set_tests_properties(${test} PROPERTIES
      ENVIRONMENT "VB_TEST_DATA=${CMAKE_CURRENT_SOURCE_DIR}/data;VB_BINARY_DIR=${PROJECT_BINARY_DIR};SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy"
      WORKING_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}"
      TIMEOUT 600)
  endforeach()
endfunction()

# vb_test_definitions(TEST def...)
# Compile definitions for the one file of TEST (a FOLDER_Stem name of vb_tests).
function(vb_test_definitions test)
  get_property(program GLOBAL PROPERTY "VB_TEST_PROGRAM_${test}")
  get_property(source GLOBAL PROPERTY "VB_TEST_SOURCE_${test}")
  if(program)
    set_property(SOURCE "${source}" TARGET_DIRECTORY ${program} APPEND PROPERTY COMPILE_DEFINITIONS ${ARGN})
  endif()
endfunction()

# vb_test_libraries(TEST lib...)
# Libraries the file of TEST needs beyond its folder's: its program links them.
function(vb_test_libraries test)
  get_property(program GLOBAL PROPERTY "VB_TEST_PROGRAM_${test}")
  if(program)
    target_link_libraries(${program} PRIVATE ${ARGN})
  endif()
endfunction()

# vb_tool_test(TEST_TARGET TOOL_TARGET [LIBS lib...] [DEFINITIONS def...])
# A test that runs a built tool (or needs a built target's output): building the test
# builds TOOL_TARGET, and its file gets the paths it needs as compile definitions. Test
# targets are made after tools/, so the link is made once the whole project has been read.
function(vb_tool_test test tool)
  cmake_language(EVAL CODE
    "cmake_language(DEFER DIRECTORY [[${PROJECT_SOURCE_DIR}]] CALL vb_link_tool_test [[${test}]] [[${tool}]] [==[${ARGN}]==])")
endfunction()

function(vb_link_tool_test test tool arguments)
  cmake_parse_arguments(ARG "" "" "LIBS;DEFINITIONS" ${arguments})
  if(TARGET ${test})
    add_dependencies(${test} ${tool})
    vb_test_libraries(${test} ${ARG_LIBS})
    vb_test_definitions(${test} ${ARG_DEFINITIONS})
  endif()
endfunction()
