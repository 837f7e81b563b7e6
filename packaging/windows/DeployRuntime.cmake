# Run by "cmake --install" (see Windows.cmake): copies into the installed folder every DLL that
# its programs and plugins load, directly or through another DLL, except Windows' own.
set(folder "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
list(TRANSFORM TERVASK_DEPLOY_PROGRAMS PREPEND "${folder}/")
list(TRANSFORM TERVASK_DEPLOY_PLUGINS PREPEND "${folder}/")
set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM windows+pe)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL objdump)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND "${TERVASK_DEPLOY_OBJDUMP}")
file(GET_RUNTIME_DEPENDENCIES
    EXECUTABLES ${TERVASK_DEPLOY_PROGRAMS}
    MODULES ${TERVASK_DEPLOY_PLUGINS}
    DIRECTORIES ${TERVASK_DEPLOY_SEARCH}
    RESOLVED_DEPENDENCIES_VAR found
    UNRESOLVED_DEPENDENCIES_VAR system
    # Windows' own DLLs: the API sets and whatever is not beside Qt.
    PRE_EXCLUDE_REGEXES "^api-ms-" "^ext-ms-"
    POST_INCLUDE_REGEXES "^${TERVASK_DEPLOY_SEARCH}/"
    POST_EXCLUDE_REGEXES ".*"
)
foreach(dll IN LISTS found)
    file(INSTALL "${dll}" DESTINATION "${folder}")
endforeach()
