# The layer check stops a tree that breaks the table and lets one that keeps
# it pass. Run as: cmake -DCHECK=<check_layers.cmake> -DWORK=<folder> -P this
cmake_minimum_required(VERSION 3.25)
# Each case: a file of a tiny tree, its one include, and whether the check
# must refuse it.
set(cases
    "calibration/cal.h|#include \"storage/store.h\"|refused"
    "core/rec.cpp|#include <QWidget>|refused"
    "audio/out.cpp|#include \"ui/window.h\"|refused"
    "ui/window.cpp|#include \"app/main_parts.h\"|refused"
    "tools/tool.cpp|#include \"app/main_parts.h\"|refused"
    "app/main.cpp|#include \"tools/tool.h\"|refused"
    "storage/store.cpp|#include \"core/rec.h\"|kept"
    "app/main.cpp|#include \"ui/window.h\"|kept"
    "bench/b.cpp|#include \"support/recorder.h\"|kept"
    "ui/window.cpp|#include <QWidget>|kept")
set(failures "")
foreach(c ${cases})
    string(REPLACE "|" ";" parts "${c}")
    list(GET parts 0 file)
    list(GET parts 1 include)
    list(GET parts 2 expected)
    file(REMOVE_RECURSE "${WORK}")
    file(WRITE "${WORK}/${file}" "${include}\n")
    execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${WORK} -P ${CHECK}
        RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
    if(expected STREQUAL "refused" AND rc EQUAL 0)
        list(APPEND failures "${file} with ${include} was let through")
    elseif(expected STREQUAL "refused" AND NOT err MATCHES "${file}")
        list(APPEND failures "${file} refused without naming the file: ${err}")
    elseif(expected STREQUAL "kept" AND NOT rc EQUAL 0)
        list(APPEND failures "${file} with ${include} was refused: ${err}")
    endif()
endforeach()
file(REMOVE_RECURSE "${WORK}")
if(failures)
    string(REPLACE ";" "\n  " report "${failures}")
    message(FATAL_ERROR "the layer check is wrong:\n  ${report}")
endif()
