# SPDX-License-Identifier: GPL-3.0-or-later
# Included by cpack for each generator (CPACK_PROJECT_CONFIG_FILE). Sets the Debian package's Depends to what
# dpkg-shlibdeps finds for the binary plus the packages that hold CPACK_QUILLO_RUNTIME_PLUGINS, the plugins Qt
# loads at run time that no linked library names. CPack's own shlibdeps run cannot be used: it appends its list to ours, and a
# package named twice (once with a version, once without) is a faulty Depends field.
cmake_policy(VERSION 3.25) # cpack reads this with the oldest policies otherwise
if(NOT CPACK_GENERATOR STREQUAL "DEB")
    return()
endif()

find_program(QUILLO_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(NOT QUILLO_DPKG_SHLIBDEPS)
    message(FATAL_ERROR "dpkg-shlibdeps (package dpkg-dev) is needed to build the Debian package")
endif()

# dpkg-shlibdeps wants to run from the top of a Debian source tree: an empty debian/control makes one.
set(work "${CPACK_PACKAGE_DIRECTORY}/_CPack_Packages/quillo-shlibdeps")
file(MAKE_DIRECTORY "${work}/debian")
file(WRITE "${work}/debian/control" "")
execute_process(COMMAND "${QUILLO_DPKG_SHLIBDEPS}" -O "${CPACK_QUILLO_BINARY}"
                WORKING_DIRECTORY "${work}"
                OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR NOT output MATCHES "shlibs:Depends=([^\n]*)")
    message(FATAL_ERROR "dpkg-shlibdeps failed on ${CPACK_QUILLO_BINARY}: ${errors}")
endif()
string(REPLACE ", " ";" found "${CMAKE_MATCH_1}")

# With usrmerge dpkg may know a file under /lib rather than /usr/lib, or the other way round.
set(plugin_packages "")
foreach(plugin IN LISTS CPACK_QUILLO_RUNTIME_PLUGINS)
    string(REGEX REPLACE "^/usr/" "/" other_path "${plugin}")
    if(other_path STREQUAL plugin)
        set(other_path "/usr${plugin}")
    endif()
    execute_process(COMMAND dpkg-query -S "${plugin}" "${other_path}"
                    OUTPUT_VARIABLE owners ERROR_QUIET)
    if(NOT owners MATCHES "^([^:,\n]+)")
        message(FATAL_ERROR "no Debian package holds ${plugin}, which Quillo loads at run time")
    endif()
    set(owner "${CMAKE_MATCH_1}")
    # Debian 13 moved the SVG plugins out of libqt6svg6 into qt6-svg-plugins: a package built where
    # libqt6svg6 holds them must bring the new package along where a newer libqt6svg6 no longer does.
    if(owner STREQUAL "libqt6svg6")
        math(EXPR next_minor "${CPACK_QUILLO_QT_VERSION_MINOR} + 1")
        set(owner "qt6-svg-plugins | libqt6svg6 (<< ${CPACK_QUILLO_QT_VERSION_MAJOR}.${next_minor})")
    endif()
    list(APPEND plugin_packages "${owner}")
endforeach()

set(depends "")
set(names "")
foreach(entry IN LISTS found plugin_packages)
    string(REGEX MATCH "^[^ (]+" name "${entry}")
    if(NOT name IN_LIST names)
        list(APPEND names "${name}")
        list(APPEND depends "${entry}")
    endif()
endforeach()
list(JOIN depends ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
