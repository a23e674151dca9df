# Debian's build flags from dpkg-buildflags for the optimised Linux builds, which are the ones
# packaged: with all hardening on, fortified functions, the stack protector, format checks,
# and full RELRO with immediate binding (which is off by default). Its optimisation and
# debug-information flags are left to the build type.
if(NOT WIN32 AND CMAKE_BUILD_TYPE STREQUAL "Release")
    find_program(DPKG_BUILDFLAGS dpkg-buildflags)
    if(DPKG_BUILDFLAGS)
        foreach(kind CPPFLAGS CFLAGS CXXFLAGS LDFLAGS)
            execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                                    ${DPKG_BUILDFLAGS} --get ${kind}
                            OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE)
            separate_arguments(flags UNIX_COMMAND "${flags}")
            list(FILTER flags EXCLUDE REGEX "^-(g|O.)$")
            list(JOIN flags " " debian_${kind})
        endforeach()
        string(APPEND CMAKE_C_FLAGS " ${debian_CPPFLAGS} ${debian_CFLAGS}")
        string(APPEND CMAKE_CXX_FLAGS " ${debian_CPPFLAGS} ${debian_CXXFLAGS}")
        string(APPEND CMAKE_EXE_LINKER_FLAGS " ${debian_LDFLAGS}")
        string(APPEND CMAKE_SHARED_LINKER_FLAGS " ${debian_LDFLAGS}")
    endif()
endif()
