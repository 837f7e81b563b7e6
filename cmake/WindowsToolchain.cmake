# Cross-builds the Windows programs (x86_64) with Debian's MinGW-w64 against a MinGW build of
# Qt 6.4: the folder named by TERVASK_WINDOWS_QT_DIR, else the one scripts/build-windows unpacks
# into the user's cache. moc, uic, rcc and the translation tools come from the host's Qt.
if(DEFINED ENV{TERVASK_WINDOWS_QT_DIR})
    set(TERVASK_WINDOWS_QT_DIR "$ENV{TERVASK_WINDOWS_QT_DIR}")
elseif(DEFINED ENV{XDG_CACHE_HOME})
    set(TERVASK_WINDOWS_QT_DIR "$ENV{XDG_CACHE_HOME}/tervask/qt-6.4.2-mingw-w64")
else()
    set(TERVASK_WINDOWS_QT_DIR "$ENV{HOME}/.cache/tervask/qt-6.4.2-mingw-w64")
endif()
if(NOT EXISTS "${TERVASK_WINDOWS_QT_DIR}/mingw-w64-x86_64.cmake")
    message(FATAL_ERROR "No Qt for Windows in ${TERVASK_WINDOWS_QT_DIR}: run scripts/build-windows, "
        "or set TERVASK_WINDOWS_QT_DIR to an unpacked Qt 6.4 for MinGW-w64")
endif()

include("${TERVASK_WINDOWS_QT_DIR}/mingw-w64-x86_64.cmake")
list(APPEND CMAKE_PREFIX_PATH "${TERVASK_WINDOWS_QT_DIR}")
set(QT_HOST_PATH /usr CACHE PATH "The host's Qt, whose tools the build runs")

# The cross-built tests run under Wine (scripts/test-windows gives them a prefix of their own).
find_program(TERVASK_WINE NAMES wine wine64)
if(TERVASK_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${TERVASK_WINE})
endif()
