# The browser build's libraries: built for wasm by scripts/web into build-web/deps/prefix (from
# Debian's bookworm sources) and given the names the desktop build finds them by, so the folders'
# CMakeLists are the same for both. GL comes with emscripten; EGL, libepoxy and fontconfig have
# no part in a page and stand empty.
set(TAVRIN_WEB_DEPS ${PROJECT_SOURCE_DIR}/build-web/deps/prefix CACHE PATH
    "Where scripts/web installed the wasm builds of the libraries")
if(NOT EXISTS ${TAVRIN_WEB_DEPS}/lib/libSDL2.a)
    message(FATAL_ERROR "No wasm libraries in ${TAVRIN_WEB_DEPS}: build the site with scripts/web")
endif()
list(APPEND CMAKE_FIND_ROOT_PATH ${TAVRIN_WEB_DEPS})
list(APPEND CMAKE_PREFIX_PATH ${TAVRIN_WEB_DEPS})

find_package(ZLIB REQUIRED)
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
find_package(meshoptimizer REQUIRED)

function(tavrin_web_library name)
    cmake_parse_arguments(ARG "" "" "LIBRARIES;INCLUDES;DEPS" ${ARGN})
    add_library(${name} INTERFACE IMPORTED)
    list(TRANSFORM ARG_LIBRARIES PREPEND ${TAVRIN_WEB_DEPS}/lib/)
    list(TRANSFORM ARG_INCLUDES PREPEND ${TAVRIN_WEB_DEPS}/include/)
    target_link_libraries(${name} INTERFACE ${ARG_LIBRARIES} ${ARG_DEPS})
    target_include_directories(${name} INTERFACE ${ARG_INCLUDES})
endfunction()

tavrin_web_library(PkgConfig::SDL2 LIBRARIES libSDL2.a INCLUDES SDL2)
tavrin_web_library(PkgConfig::FREETYPE LIBRARIES libfreetype.a INCLUDES freetype2
                   DEPS PNG::PNG ZLIB::ZLIB)
tavrin_web_library(PkgConfig::EGL)
tavrin_web_library(PkgConfig::EPOXY)
tavrin_web_library(PkgConfig::FONTCONFIG)
# No threads: every part that starts one has a path without.
tavrin_web_library(Threads::Threads)
