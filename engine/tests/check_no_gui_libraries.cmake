# Runs PROGRAM, then fails if it needs a GUI library: directly (its dynamic section) for any of
# wxWidgets, GTK, GDK or X11, and through its dependencies for wxWidgets, GTK or GDK. (X11
# can still come in indirectly: Debian's SDL2 links it for its video part, which the engine
# does not use.)
execute_process(COMMAND ${PROGRAM} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} exited with ${status}")
endif()

execute_process(COMMAND readelf -d ${PROGRAM} OUTPUT_VARIABLE dynamic RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "readelf failed on ${PROGRAM}")
endif()
string(REGEX MATCHALL "Shared library: \\[[^]]+\\]" needed "${dynamic}")
foreach(library ${needed})
    if(library MATCHES "wx_|gtk|gdk|libX11|libxcb")
        message(FATAL_ERROR "the engine needs a GUI library: ${library}")
    endif()
endforeach()

execute_process(COMMAND ldd ${PROGRAM} OUTPUT_VARIABLE resolved RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "ldd failed on ${PROGRAM}")
endif()
if(resolved MATCHES "(libwx_[^ ]*|libgtk[^ ]*|libgdk[^ ]*)")
    message(FATAL_ERROR "the engine pulls in a GUI library: ${CMAKE_MATCH_1}")
endif()
list(LENGTH needed count)
message(STATUS "${PROGRAM} needs ${count} libraries, none of them a GUI library")
