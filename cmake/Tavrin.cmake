# Helpers that keep every folder's CMakeLists.txt short and uniform.

function(tavrin_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Werror)
endfunction()

# Adds every immediate subfolder of DIR that holds a CMakeLists.txt.
function(tavrin_add_subdirectories dir)
    file(GLOB children LIST_DIRECTORIES true RELATIVE ${PROJECT_SOURCE_DIR}/${dir}
         ${PROJECT_SOURCE_DIR}/${dir}/*)
    list(SORT children)
    foreach(child IN LISTS children)
        if(EXISTS ${PROJECT_SOURCE_DIR}/${dir}/${child}/CMakeLists.txt)
            add_subdirectory(${PROJECT_SOURCE_DIR}/${dir}/${child}
                             ${CMAKE_BINARY_DIR}/${dir}/${child})
        endif()
    endforeach()
endfunction()

# tavrin_library(NAME [SOURCES ...] [DEPS ...] [PRIVATE_DEPS ...])
# Creates the static library tavrin::NAME; headers are included as "NAME/file.h" from src/.
# Without SOURCES, every .cpp of the folder but main.cpp is compiled in (a new file joins at once).
# The one seam between the platforms: a file named *_web.cpp is compiled only into the browser
# build, one named *_desktop.cpp only into the others.
function(tavrin_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
    if(NOT ARG_SOURCES)
        file(GLOB ARG_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
        list(FILTER ARG_SOURCES EXCLUDE REGEX "/main\\.cpp$")
        if(EMSCRIPTEN)
            list(FILTER ARG_SOURCES EXCLUDE REGEX "_desktop\\.cpp$")
        else()
            list(FILTER ARG_SOURCES EXCLUDE REGEX "_web\\.cpp$")
        endif()
    endif()
    if(NOT ARG_SOURCES)
        # A folder with headers only so far.
        add_library(tavrin_${name} INTERFACE)
        add_library(tavrin::${name} ALIAS tavrin_${name})
        target_include_directories(tavrin_${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
        target_link_libraries(tavrin_${name} INTERFACE ${ARG_DEPS})
        return()
    endif()
    add_library(tavrin_${name} STATIC ${ARG_SOURCES})
    add_library(tavrin::${name} ALIAS tavrin_${name})
    target_include_directories(tavrin_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(tavrin_${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
    tavrin_warnings(tavrin_${name})
endfunction()

# tavrin_tool(NAME SOURCES ... [DEPS ...]): a program in build/bin, installed to bin/ with a manual
# page made from its --help.
function(tavrin_tool name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS})
    tavrin_warnings(${name})
    install(TARGETS ${name} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    tavrin_manual_page(${name})
endfunction()

# tavrin_test(NAME SOURCES ... [DEPS ...] [LABEL name]): one GoogleTest binary, its cases in CTest.
# Tests run from the build's bin folder, where Tavrin.data and the tools live. One label only:
# test discovery splits a list of them, and the cases would silently get the first alone.
function(tavrin_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT;LABEL" "SOURCES;DEPS" ${ARGN})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
    target_compile_definitions(${name} PRIVATE
        TAVRIN_SOURCE_DIR="${PROJECT_SOURCE_DIR}" TAVRIN_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
    tavrin_warnings(${name})
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin
        PROPERTIES LABELS "${ARG_LABEL}" TIMEOUT ${ARG_TIMEOUT})
endfunction()

# Limits every fuzz run uses, CTest's and scripts/fuzz's: an input that makes the target allocate
# a gigabyte at once, or hold two, is a finding, not a slow run.
set(TAVRIN_FUZZ_LIMITS -rss_limit_mb=2048 -malloc_limit_mb=1024 -timeout=25)

# tavrin_fuzz(NAME SOURCES ... [DEPS ...] [SEEDS folder ...]): a libFuzzer target, run briefly by
# CTest in the fuzz build. Its seeds are the SEEDS folders, or else a "seeds" folder beside it.
function(tavrin_fuzz name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;SEEDS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    tavrin_warnings(${name})
    add_dependencies(tavrin-fuzz-targets ${name})
    # Inputs a run finds are kept in the build, or where TAVRIN_FUZZ_CORPUS says (scripts/fuzz).
    if(NOT DEFINED TAVRIN_FUZZ_CORPUS)
        set(TAVRIN_FUZZ_CORPUS ${CMAKE_BINARY_DIR}/fuzz-corpus)
    endif()
    set(corpus ${TAVRIN_FUZZ_CORPUS}/${name})
    file(MAKE_DIRECTORY ${corpus})
    set(seeds ${ARG_SEEDS})
    if(NOT seeds AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/seeds)
        set(seeds ${CMAKE_CURRENT_SOURCE_DIR}/seeds)
    endif()
    if(NOT DEFINED TAVRIN_FUZZ_SECONDS)
        set(TAVRIN_FUZZ_SECONDS 20)
    endif()
    add_test(NAME ${name}
             COMMAND ${name} -max_total_time=${TAVRIN_FUZZ_SECONDS} ${TAVRIN_FUZZ_LIMITS} ${corpus} ${seeds})
    math(EXPR timeout "${TAVRIN_FUZZ_SECONDS} + 300")
    set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT ${timeout})
endfunction()

# tavrin_bench(NAME SOURCES ... [DEPS ...]): a Google Benchmark program in build/bin.
function(tavrin_bench name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} benchmark::benchmark)
    tavrin_warnings(${name})
endfunction()
