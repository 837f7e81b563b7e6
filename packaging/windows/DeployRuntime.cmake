# Run by "cmake --install" (see Windows.cmake): copies into the installed folder every DLL that
# its programs and plugins load, directly or through another DLL, from the folder of Qt's DLLs
# (Qt and MinGW's runtime). What that folder lacks is Windows' own and stays out.
set(folder "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")

# Windows names DLLs without regard to case; the folder's files by their lower-case names.
file(GLOB available RELATIVE "${TERVASK_DEPLOY_SEARCH}" "${TERVASK_DEPLOY_SEARCH}/*.dll")
foreach(name IN LISTS available)
    string(TOLOWER "${name}" key)
    set("dll_${key}" "${name}")
endforeach()

set(pending ${TERVASK_DEPLOY_PROGRAMS} ${TERVASK_DEPLOY_PLUGINS})
list(TRANSFORM pending PREPEND "${folder}/")
while(pending)
    list(POP_FRONT pending file)
    execute_process(COMMAND "${TERVASK_DEPLOY_OBJDUMP}" -p "${file}" OUTPUT_VARIABLE headers RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "objdump cannot read ${file}")
    endif()
    string(REGEX MATCHALL "DLL Name: [^\r\n]+" imports "${headers}")
    foreach(import IN LISTS imports)
        string(REGEX REPLACE "^DLL Name: " "" name "${import}")
        string(TOLOWER "${name}" key)
        if(NOT DEFINED "dll_${key}")
            continue() # Windows' own, or copied already
        endif()
        set(dll "${dll_${key}}")
        unset("dll_${key}")
        file(INSTALL "${TERVASK_DEPLOY_SEARCH}/${dll}" DESTINATION "${folder}")
        list(APPEND pending "${folder}/${dll}")
    endforeach()
endwhile()
