# The layers and what each may include of the project's own folders; every
# `#include "folder/..."` of a folder's files is checked against this table,
# and the build stops when one breaks it. Below ui/, no Qt Widgets or
# PrintSupport header either. Run as: cmake -DSOURCE_DIR=<tree> -P check_layers.cmake
cmake_minimum_required(VERSION 3.25)
set(allowed_core core)
set(allowed_storage core storage)
set(allowed_audio core audio)
set(allowed_calibration core audio calibration)
set(allowed_ui core storage audio calibration ui)
# The composition roots: the program, the command-line tool, and what drives them.
set(allowed_app core storage audio calibration ui app)
set(allowed_tools core storage audio calibration ui tools)
set(allowed_fuzz core storage audio calibration ui tools fuzz)
# Benchmarks measure the real program and share the tests' recorders.
set(allowed_bench core storage audio calibration ui app tools bench support)
set(layers core storage audio calibration ui app tools fuzz bench)
set(without_widgets core storage audio calibration)

set(bad "")
foreach(layer ${layers})
    file(GLOB_RECURSE files "${SOURCE_DIR}/${layer}/*.h" "${SOURCE_DIR}/${layer}/*.cpp"
        "${SOURCE_DIR}/${layer}/*.c")
    foreach(f ${files})
        file(STRINGS "${f}" includes REGEX "^#[ \t]*include[ \t]*\"[a-z_]+/")
        foreach(line ${includes})
            string(REGEX REPLACE "^#[ \t]*include[ \t]*\"([a-z_]+)/.*" "\\1" folder "${line}")
            list(FIND allowed_${layer} "${folder}" found)
            if(found EQUAL -1)
                list(APPEND bad "${f} includes ${folder}/")
            endif()
        endforeach()
        if(layer IN_LIST without_widgets)
            file(STRINGS "${f}" widgets REGEX "#[ \t]*include[ \t]*[<\"](QtWidgets|QtPrintSupport|QWidget|QMainWindow|QDialog|QMessageBox|QApplication|QPrinter)")
            if(widgets)
                list(APPEND bad "${f} uses Qt Widgets")
            endif()
        endif()
    endforeach()
endforeach()
if(bad)
    string(REPLACE ";" "\n  " report "${bad}")
    message(FATAL_ERROR "layer rules broken:\n  ${report}")
endif()
