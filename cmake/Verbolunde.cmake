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

# vb_tests(FOLDER LIBS lib...)
# One test program per test file in tests/FOLDER, each run by CTest under its own name.
function(vb_tests folder)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp")
  foreach(source ${sources})
    get_filename_component(stem "${source}" NAME_WE)
    set(target "${folder}_${stem}")
    add_executable(${target} "${source}")
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} testsupport GTest::gtest_main)
    if(VB_SANITIZE)
      # The tests' own code compiles unoptimised: the libraries under test
      # (and the program the scenario tests run) are what -O1 speeds up, and
      # two hundred test programs build much faster without it.
      target_compile_options(${target} PRIVATE -O0)
    endif()
    # The shared precompiled header (tests/CMakeLists.txt); a test whose flags
    # stop matching it is told so instead of silently parsing everything again.
    target_precompile_headers(${target} REUSE_FROM testpch)
    target_compile_options(${target} PRIVATE -Winvalid-pch)
    add_test(NAME ${target} COMMAND ${target})
    set_tests_properties(${target} PROPERTIES
      ENVIRONMENT "VB_TEST_DATA=${CMAKE_CURRENT_SOURCE_DIR}/data;VB_BINARY_DIR=${PROJECT_BINARY_DIR};SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy"
      WORKING_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}"
      TIMEOUT 600)
  endforeach()
endfunction()

# vb_tool_test(TEST_TARGET TOOL_TARGET [LIBS lib...] [DEFINITIONS def...])
# A test that runs a built tool (or needs a built target's output): it is built after
# TOOL_TARGET and gets the paths it needs as compile definitions. Test targets are made
# after tools/, so the link is made once the whole project has been read.
function(vb_tool_test test tool)
  cmake_language(EVAL CODE
    "cmake_language(DEFER DIRECTORY [[${PROJECT_SOURCE_DIR}]] CALL vb_link_tool_test [[${test}]] [[${tool}]] [==[${ARGN}]==])")
endfunction()

function(vb_link_tool_test test tool arguments)
  cmake_parse_arguments(ARG "" "" "LIBS;DEFINITIONS" ${arguments})
  if(TARGET ${test})
    add_dependencies(${test} ${tool})
    if(ARG_LIBS)
      target_link_libraries(${test} PRIVATE ${ARG_LIBS})
    endif()
    target_compile_definitions(${test} PRIVATE ${ARG_DEFINITIONS})
  endif()
endfunction()
