# The Windows programs' resources (icon, version, manifest) and the install rules of the folder
# that scripts/package-windows turns into the zip and the installer: the programs with every
# DLL and Qt plugin they load, tr/ and the writable folders, so that the folder runs from
# anywhere (a USB stick as well as Program Files) and needs nothing of the build machine.
include(${CMAKE_CURRENT_LIST_DIR}/../Programs.cmake)
set(windows_source ${CMAKE_CURRENT_LIST_DIR})
set(windows_build ${CMAKE_BINARY_DIR}/packaging/windows)

set(installed_programs)
foreach(program IN LISTS TERVASK_PROGRAMS)
    if(NOT TARGET ${program})
        continue()
    endif()
    set(TERVASK_RC_PROGRAM ${program})
    set(TERVASK_RC_DESCRIPTION "${program}, ${TERVASK_ABOUT_${program}}")
    set(TERVASK_RC_ICON ${PROJECT_SOURCE_DIR}/desktop/images/MainWnd.ico)
    set(TERVASK_RC_MANIFEST ${windows_source}/tervask.manifest)
    configure_file(${windows_source}/program.rc.in ${windows_build}/${program}.rc @ONLY)
    target_sources(${program} PRIVATE ${windows_build}/${program}.rc)
    set_property(SOURCE ${windows_build}/${program}.rc APPEND PROPERTY OBJECT_DEPENDS
        ${TERVASK_RC_ICON} ${TERVASK_RC_MANIFEST})
    install(TARGETS ${program} RUNTIME DESTINATION .)
    list(APPEND installed_programs ${program}.exe)
endforeach()

# The plugins the programs load: the window system, the native style, the .ico reader for the
# windows' icon and the SQLite driver of the records.
set(TERVASK_QT_PLUGINS platforms/qwindows styles/qwindowsvistastyle imageformats/qico sqldrivers/qsqlite)
set(plugin_files)
foreach(plugin IN LISTS TERVASK_QT_PLUGINS)
    get_filename_component(kind ${plugin} DIRECTORY)
    install(FILES ${TERVASK_WINDOWS_QT_DIR}/plugins/${plugin}.dll DESTINATION ${kind})
    list(APPEND plugin_files ${plugin}.dll)
endforeach()

install(FILES ${windows_source}/qt.conf ${windows_source}/README.txt DESTINATION .)
install(DIRECTORY ${TERVASK_OUTPUT_DIR}/tr/ DESTINATION tr FILES_MATCHING PATTERN "*.qm")
foreach(dir IN LISTS TERVASK_WRITABLE_DIRS)
    install(DIRECTORY DESTINATION ${dir})
endforeach()

# Then every DLL that the programs and plugins load, found beside Qt or in MinGW's runtime.
install(CODE "
    set(TERVASK_DEPLOY_PROGRAMS [[${installed_programs}]])
    set(TERVASK_DEPLOY_PLUGINS [[${plugin_files}]])
    set(TERVASK_DEPLOY_SEARCH [[${TERVASK_WINDOWS_QT_DIR}/bin]])
    set(TERVASK_DEPLOY_OBJDUMP [[${CMAKE_OBJDUMP}]])
    include([[${windows_source}/DeployRuntime.cmake]])
")
