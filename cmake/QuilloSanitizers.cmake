# SPDX-License-Identifier: GPL-3.0-or-later
# QUILLO_SANITIZE holds a list of sanitizers ("address;undefined") applied to every target that asks.
set(QUILLO_SANITIZE "" CACHE STRING "Sanitizers to build with, for example address;undefined")

function(quillo_apply_sanitizers target)
    if(NOT QUILLO_SANITIZE)
        return()
    endif()
    list(JOIN QUILLO_SANITIZE "," sanitizers)
    target_compile_options(${target} PRIVATE -fsanitize=${sanitizers} -fno-omit-frame-pointer
                                             -fno-sanitize-recover=all)
    target_link_options(${target} PRIVATE -fsanitize=${sanitizers})
endfunction()
