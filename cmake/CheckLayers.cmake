# Checks the include graph of src/ against the layers (run by CTest as the
# test "layers"):
#   cmake -DROOT=<src folder> -P CheckLayers.cmake
#
# Layers, lowest first: core, gui, app. A file may include files of its own
# layer and of the layers below it.
# Subjects inside a layer, lowest first: platform, base, widgets (gui only),
# project, photos, map, web, report, info. A file in core/ or gui/ may include files of
# its own subject and of the subjects below it, in its own layer or a lower
# one. app/ sits on top and may include anything.
# Every source file must lie in a known layer and subject folder.

if(NOT ROOT)
    message(FATAL_ERROR "Give -DROOT=<src folder>")
endif()

set(layers core gui app)
set(subjects platform base widgets project photos map web report info)

file(GLOB_RECURSE files RELATIVE ${ROOT} ${ROOT}/*.h ${ROOT}/*.cpp)
set(faults 0)

function(place path out_layer out_subject)
    string(REPLACE "/" ";" parts "${path}")
    list(GET parts 0 layer)
    list(LENGTH parts n)
    set(subject "")
    if(n GREATER 2)
        list(GET parts 1 subject)
    endif()
    set(${out_layer} ${layer} PARENT_SCOPE)
    set(${out_subject} "${subject}" PARENT_SCOPE)
endfunction()

foreach(file IN LISTS files)
    place(${file} layer subject)
    list(FIND layers "${layer}" layer_rank)
    if(layer_rank LESS 0)
        message(SEND_ERROR "${file}: not in a layer folder (core, gui, app)")
        math(EXPR faults "${faults} + 1")
        continue()
    endif()
    set(subject_rank 99)
    if(NOT layer STREQUAL "app")
        list(FIND subjects "${subject}" subject_rank)
        if(subject_rank LESS 0 OR (layer STREQUAL "core" AND subject STREQUAL "widgets"))
            message(SEND_ERROR "${file}: not in a subject folder of ${layer}")
            math(EXPR faults "${faults} + 1")
            continue()
        endif()
    endif()

    file(STRINGS ${ROOT}/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"(core|gui|app)/")
    foreach(line IN LISTS includes)
        string(REGEX REPLACE "^[^\"]*\"([^\"]*)\".*$" "\\1" target "${line}")
        place(${target} target_layer target_subject)
        list(FIND layers "${target_layer}" target_layer_rank)
        list(FIND subjects "${target_subject}" target_subject_rank)
        if(target_layer_rank GREATER layer_rank)
            message(SEND_ERROR "${file}: includes ${target} from the higher layer ${target_layer}")
            math(EXPR faults "${faults} + 1")
        elseif(target_subject_rank GREATER subject_rank)
            message(SEND_ERROR "${file}: includes ${target} from the higher subject ${target_subject}")
            math(EXPR faults "${faults} + 1")
        endif()
        if(NOT EXISTS ${ROOT}/${target})
            message(SEND_ERROR "${file}: includes ${target}, which does not exist")
            math(EXPR faults "${faults} + 1")
        endif()
    endforeach()
endforeach()

list(LENGTH files count)
if(faults GREATER 0)
    message(FATAL_ERROR "${faults} include(s) against the layers")
endif()
message(STATUS "${count} files, every include within the layers")
