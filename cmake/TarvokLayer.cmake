# SPDX-License-Identifier: GPL-3.0-or-later
# A target reaches headers of ours only through folders of links made for one target each
# (layers/NAME/ in the build tree, laid out as the source tree): its own, and those of the
# layers it links. A layer that includes a header of a layer it does not link (one above it)
# fails to compile, and one that declares what it needs by hand fails to link.

# Links the headers among sources into the target's own folder, which it hands on to the
# targets that link it.
function(tarvok_own_headers target)
    set(headers ${PROJECT_BINARY_DIR}/layers/${target})
    # Made afresh at every configure, so a header that moved or went leaves no link behind.
    file(REMOVE_RECURSE ${headers})
    foreach(source IN LISTS ARGN)
        if(source MATCHES "\\.h$")
            file(RELATIVE_PATH relative ${PROJECT_SOURCE_DIR} ${source})
            get_filename_component(folder ${headers}/${relative} DIRECTORY)
            file(MAKE_DIRECTORY ${folder})
            file(CREATE_LINK ${source} ${headers}/${relative} SYMBOLIC)
        endif()
    endforeach()
    target_include_directories(${target} PUBLIC ${headers})
endfunction()

# tarvok_layer(NAME [OBJECT] SOURCES files... LINKS targets...): a layer of the program as a
# library of its own, linking the layers below it that it uses.
function(tarvok_layer name)
    cmake_parse_arguments(PARSE_ARGV 1 layer "OBJECT" "" "SOURCES;LINKS")
    if(layer_OBJECT)
        add_library(${name} OBJECT ${layer_SOURCES})
    else()
        add_library(${name} STATIC ${layer_SOURCES})
    endif()
    tarvok_own_headers(${name} ${layer_SOURCES})
    target_link_libraries(${name} PUBLIC ${layer_LINKS})
    set_target_properties(${name} PROPERTIES
        UNITY_BUILD ${TARVOK_UNITY_BUILD} UNITY_BUILD_BATCH_SIZE 12)
endfunction()
