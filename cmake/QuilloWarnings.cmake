# SPDX-License-Identifier: GPL-3.0-or-later
# Turns on the warnings every Quillo target is built with.
function(quillo_apply_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
endfunction()
