# The Debian package: `cpack -G DEB` in the build folder makes tavrin_<version>_amd64.deb from
# what `cmake --install` puts in place. scripts/package runs it.

set(CPACK_PACKAGE_NAME tavrin)
set(CPACK_PACKAGE_VENDOR "the Tavrin authors")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time audiovisual show with its own tracker music")
set(CPACK_PACKAGE_DESCRIPTION
    "Tavrin takes the screen at 800x600 and plays its own XM soundtrack through its own\n"
    "replay engine and software mixer while a fixed sequence of music-driven 3D effects\n"
    "runs: a lens flare over a picture, a stadium with metaballs, melting bump-mapped\n"
    "tori, a trophy with an environment-mapped blob and a closing text scroller.\n"
    "\n"
    "The package also holds the tools the show is made and checked with: tavrin-record\n"
    "(offline stills, sound and video), tavrin-forge (builds the data archive),\n"
    "tavrin-xm, tavrin-asset and tavrin-3ds.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "the Tavrin authors <tavrin@users.noreply.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Runtime dependencies come from the programs' own links, through dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# tavrin-record hands its video to ffmpeg; everything else plays without it.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS ffmpeg)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
