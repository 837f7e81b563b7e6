# Read by cpack once per generator. The Debian package holds the folder of the programs at its
# place under /opt and the system's files (links, menu entries, icons, documents); the archive
# holds the folder alone, at its top, with the INSTALL text and the empty writable folders.
# Components are chosen per generator, but each package is one file holding them all.
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
if(CPACK_GENERATOR STREQUAL "DEB")
    set(CPACK_PACKAGING_INSTALL_PREFIX ${CPACK_TERVASK_INSTALL_DIR})
    set(CPACK_INSTALL_PREFIX ${CPACK_TERVASK_INSTALL_DIR})
    # The system's files have absolute destinations: they must land in the package, not on this machine.
    set(CPACK_SET_DESTDIR ON)
    set(CPACK_DEB_COMPONENT_INSTALL ON)
    set(CPACK_COMPONENTS_ALL programs system)
else()
    set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
    set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
    set(CPACK_COMPONENTS_ALL programs archive)
    set(CPACK_ERROR_ON_ABSOLUTE_INSTALL_DESTINATION ON)
endif()
