# Where an installed Tavrin puts its files (bin/, share/tavrin/, share/man/, ...), and the manual
# pages, made at build time from each program's --help.

include(GNUInstallDirs)

find_program(HELP2MAN_PROGRAM help2man)
find_program(GZIP_PROGRAM gzip)
if(TAVRIN_TOOLS AND NOT (HELP2MAN_PROGRAM AND GZIP_PROGRAM))
    message(STATUS "help2man or gzip not found: the manual pages are not made")
endif()

# tavrin_manual_page(PROGRAM): PROGRAM.1.gz in build/man, installed to share/man/man1. Skipped in
# sanitizer builds, which are never installed.
function(tavrin_manual_page program)
    if(NOT HELP2MAN_PROGRAM OR NOT GZIP_PROGRAM OR TAVRIN_SANITIZE)
        return()
    endif()
    set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
    add_custom_command(OUTPUT ${page}.gz
        COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${program}> -DPAGE=${page}
                -DHELP2MAN=${HELP2MAN_PROGRAM} -DGZIP=${GZIP_PROGRAM}
                -P ${PROJECT_SOURCE_DIR}/cmake/ManualPage.cmake
        DEPENDS ${program} ${PROJECT_SOURCE_DIR}/cmake/ManualPage.cmake
        COMMENT "Manual page for ${program}"
        VERBATIM)
    add_custom_target(${program}-manual ALL DEPENDS ${page}.gz)
    install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

if(TAVRIN_TOOLS)
    install(FILES ${PROJECT_SOURCE_DIR}/desktop/tavrin.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tavrin)
    # Debian's name for the licence, which the package needs; one file serves both.
    install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tavrin RENAME copyright)
endif()
