# Install rules and CPack settings, read at the end of the top folder (see CMakeLists.txt here).
#
# Components: "programs" is the folder of the programs (both packages), "system" the links in
# /usr/bin, menu entries, icons and package documents (Debian package only), "archive" the
# INSTALL text and the empty writable folders (archive only; the Debian package's postinst
# creates those with their group and mode).
include(${CMAKE_CURRENT_LIST_DIR}/Programs.cmake)
set(packaging_source ${CMAKE_CURRENT_LIST_DIR})
set(packaging_build ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${packaging_build}/links)

foreach(program IN LISTS TERVASK_PROGRAMS)
    if(NOT TARGET ${program})
        continue()
    endif()
    install(TARGETS ${program} RUNTIME DESTINATION . COMPONENT programs)
    # A link between top-level folders is absolute; it dangles in the build folder.
    file(CREATE_LINK ${TERVASK_INSTALL_DIR}/${program} ${packaging_build}/links/${program} SYMBOLIC)
    install(FILES ${packaging_build}/links/${program} DESTINATION ${TERVASK_SYSTEM_PREFIX}/bin COMPONENT system)
    if(program IN_LIST TERVASK_WINDOWS)
        install(FILES ${packaging_source}/desktop/${program}.desktop
            DESTINATION ${TERVASK_SYSTEM_PREFIX}/share/applications COMPONENT system)
    endif()
endforeach()

install(DIRECTORY ${TERVASK_OUTPUT_DIR}/tr/ DESTINATION tr COMPONENT programs FILES_MATCHING PATTERN "*.qm")
install(DIRECTORY ${packaging_build}/icons/hicolor DESTINATION ${TERVASK_SYSTEM_PREFIX}/share/icons COMPONENT system)
install(FILES ${packaging_build}/doc/copyright ${packaging_build}/doc/changelog.gz
    DESTINATION ${TERVASK_SYSTEM_PREFIX}/share/doc/tervask COMPONENT system)
install(FILES ${packaging_source}/debian/lintian-overrides RENAME tervask
    DESTINATION ${TERVASK_SYSTEM_PREFIX}/share/lintian/overrides COMPONENT system)

set(TERVASK_INSTALL_PROGRAMS)
foreach(program IN LISTS TERVASK_PROGRAMS)
    if(TARGET ${program})
        string(APPEND TERVASK_INSTALL_PROGRAMS "  ${program}\n      ${TERVASK_ABOUT_${program}}\n")
    endif()
endforeach()
configure_file(${packaging_source}/INSTALL.in ${packaging_build}/INSTALL @ONLY)
install(FILES ${packaging_build}/INSTALL DESTINATION . COMPONENT archive)
foreach(dir IN LISTS TERVASK_WRITABLE_DIRS)
    install(DIRECTORY DESTINATION ${dir} COMPONENT archive)
endforeach()

set(CPACK_PACKAGE_NAME tervask)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tervask")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "firmware download tools for the VYN Wi-Fi microcontroller")
set(program_lines)
foreach(program IN LISTS TERVASK_PROGRAMS)
    if(TARGET ${program})
        string(APPEND program_lines " ${program} - ${TERVASK_ABOUT_${program}}\n")
    endif()
endforeach()
set(CPACK_PACKAGE_DESCRIPTION "Writes firmware images into the SPI flash of VYN Wi-Fi microcontrollers
through the chip's boot-ROM console on a serial port (XMODEM-1K, CRC-32
check), erases flash ranges and reads flash back, on production lines.

${program_lines}
Everything is installed under ${TERVASK_INSTALL_DIR}, with links in /usr/bin. The
folders cfg, logs and records there belong to the group dialout: operators
in that group may use the serial ports and write settings, run logs and
production records.")
set(CPACK_PACKAGE_CONTACT ${TERVASK_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_PACKAGE_FILE_NAME tervask-${PROJECT_VERSION}-linux-${CMAKE_SYSTEM_PROCESSOR})
set(CPACK_GENERATOR DEB TGZ)
set(CPACK_STRIP_FILES ON)
set(CPACK_PROJECT_CONFIG_FILE ${packaging_source}/CPackPerGenerator.cmake)
set(CPACK_TERVASK_INSTALL_DIR ${TERVASK_INSTALL_DIR})

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${TERVASK_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-noto-cjk)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${packaging_build}/debian/postinst ${packaging_build}/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# postinst sets the writable folders' default ACL. Qt loads the display
# (platform) plugins, which Debian ships in libqt6gui6, at run time: named
# here, not left to the libraries' dependencies.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "acl, libqt6gui6")
if(TARGET tervaskrecords)
    # Qt loads its database drivers as plugins, which the libraries' dependencies do not name.
    string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", libqt6sql6-sqlite")
    set(CPACK_DEBIAN_PACKAGE_SUGGESTS libqt6sql6-psql)
endif()

include(CPack)
