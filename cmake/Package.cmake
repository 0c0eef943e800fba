# The Debian package: `cpack -G DEB` in the build folder makes tavrin_<version>_amd64.deb from
# what `cmake --install` puts in place. scripts/package runs it.

set(CPACK_PACKAGE_NAME tavrin)
set(CPACK_PACKAGE_VENDOR "the Tavrin authors")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time audiovisual show with its own tracker music")
set(CPACK_PACKAGE_DESCRIPTION
    "Tavrin takes the screen at 800x600 and plays its own XM soundtrack through\n"
    "its own replay engine and software mixer while a fixed sequence of\n"
    "music-driven 3D effects runs: a lens flare over a picture, a stadium with\n"
    "metaballs, melting bump-mapped tori, a trophy with an environment-mapped\n"
    "blob and a closing text scroller.\n"
    "\n"
    "The package also holds the tools the show is made and checked with:\n"
    "tavrin-record (offline stills, sound and video), tavrin-forge (builds the\n"
    "data archive), tavrin-xm, tavrin-asset and tavrin-3ds.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(TAVRIN_MAINTAINER "the Tavrin authors <tavrin@users.noreply.invalid>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${TAVRIN_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Runtime dependencies come from the programs' own links, through dpkg-shlibdeps. libepoxy and SDL
# open the GL and EGL libraries at run time, which no link shows, so those two are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libegl1, libgl1")
# The overlay font asks fontconfig for Courier New; Liberation Mono is its metric twin.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-liberation2)
# tavrin-record hands its video to ffmpeg; everything else plays without it.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS ffmpeg)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# Debian wants a changelog beside the copyright; one entry for the version being packaged, dated
# now (or SOURCE_DATE_EPOCH, for a reproducible build).
string(TIMESTAMP TAVRIN_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${PROJECT_SOURCE_DIR}/cmake/changelog.in ${CMAKE_BINARY_DIR}/package/changelog @ONLY)
execute_process(COMMAND ${GZIP_PROGRAM} -9nf ${CMAKE_BINARY_DIR}/package/changelog RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip failed on the package's changelog")
endif()
install(FILES ${CMAKE_BINARY_DIR}/package/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tavrin)

include(CPack)
