# Checks that every file of the engine includes only files of its own layer and of the layers
# below it, as the libraries link them (each library sees only its own folder and what it links,
# so most upward includes do not even compile; this also catches the ones that would: an include
# by a relative path, or through a folder that a library links for another reason).
#   cmake -DENGINE_DIR=<engine folder> [-DSTAMP=<file written when all is well>] -P layers.cmake
cmake_minimum_required(VERSION 3.22)

# Each layer and the layers it may include from. Files name what they include without a folder.
set(uses_base "")
set(uses_files base)
set(uses_macro "")
set(uses_model macro)
set(uses_read model macro base)
set(uses_write model macro)
set(uses_pictures/codec "")
set(uses_pictures/module pictures/codec base)
set(uses_pictures pictures/codec read write model macro base files)
set(uses_server pictures/codec pictures read write model macro base files)
set(layers base files macro model read write pictures/codec pictures/module pictures server)

file(GLOB_RECURSE sources RELATIVE ${ENGINE_DIR} ${ENGINE_DIR}/*.cpp ${ENGINE_DIR}/*.h
     ${ENGINE_DIR}/*.inc)
# Where each file is.
foreach(source ${sources})
    get_filename_component(name ${source} NAME)
    get_filename_component(layer ${source} DIRECTORY)
    if(NOT layer IN_LIST layers)
        list(APPEND problems "engine/${source}: not in a layer's folder (${layers})")
    endif()
    if(DEFINED home_${name})
        list(APPEND problems "engine/${source}: ${name} is in ${home_${name}}/ already")
    endif()
    set(home_${name} ${layer})
endforeach()

foreach(source ${sources})
    get_filename_component(layer ${source} DIRECTORY)
    file(STRINGS ${ENGINE_DIR}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line ${includes})
        string(REGEX REPLACE "^[^\"]*\"([^\"]*)\".*$" "\\1" included "${line}")
        if(included MATCHES "[/\\\\]")
            list(APPEND problems
                 "engine/${source}: includes \"${included}\" by a path (name the file alone)")
            continue()
        endif()
        if(NOT DEFINED home_${included})
            continue() # not the engine's: Qt, the libraries, src/wire, src/fs
        endif()
        set(other ${home_${included}})
        if(NOT other STREQUAL layer AND NOT other IN_LIST uses_${layer})
            list(JOIN uses_${layer} ", " allowed)
            list(APPEND problems "engine/${source}: includes ${included} of ${other}/, \
which ${layer}/ may not use (it uses: ${allowed})")
        endif()
    endforeach()
endforeach()

if(problems)
    list(JOIN problems "\n" problems)
    message(FATAL_ERROR "An include runs against the engine's layers:\n${problems}")
endif()
if(STAMP)
    file(TOUCH ${STAMP})
endif()
