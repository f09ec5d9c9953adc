# SPDX-License-Identifier: GPL-3.0-or-later
# The layers of the program as libraries. Every layer compiles against an
# include root of its own, a folder of links to the source folders it may see
# (its own and those of the layers below): an include that reaches upward
# finds no file, and a Qt include in a layer without Qt finds no Qt.

# Makes build/layers/NAME with a link to each of the source folders named and
# sets GRIMASSO_LAYER_ROOT in the caller to it.
function(grimasso_layer_root name)
  set(root ${PROJECT_BINARY_DIR}/layers/${name})
  file(MAKE_DIRECTORY ${root})
  foreach(folder IN LISTS ARGN)
    if(NOT IS_SYMLINK ${root}/${folder})
      file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
    endif()
  endforeach()
  set(GRIMASSO_LAYER_ROOT ${root} PARENT_SCOPE)
endfunction()

# grimasso_add_layer(NAME OWNS folder... [SEES folder...] [LINKS target...]
#                    [SOURCES file...] [EXCLUDE folder/file...])
# A static library of the files directly inside the folders it OWNS, which
# sees those and the folders it SEES, and links the layers below it publicly.
function(grimasso_add_layer name)
  cmake_parse_arguments(PARSE_ARGV 1 LAYER "" "" "OWNS;SEES;LINKS;SOURCES;EXCLUDE")
  set(sources ${LAYER_SOURCES})
  foreach(folder IN LISTS LAYER_OWNS)
    file(GLOB owned CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.cpp ${PROJECT_SOURCE_DIR}/${folder}/*.h)
    list(APPEND sources ${owned})
  endforeach()
  foreach(excluded IN LISTS LAYER_EXCLUDE)
    list(REMOVE_ITEM sources ${PROJECT_SOURCE_DIR}/${excluded})
  endforeach()
  set(tops)
  foreach(folder IN LISTS LAYER_OWNS LAYER_SEES)
    string(REGEX REPLACE "/.*" "" top ${folder})
    list(APPEND tops ${top})
  endforeach()
  list(REMOVE_DUPLICATES tops)
  grimasso_layer_root(${name} ${tops})
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PRIVATE ${GRIMASSO_LAYER_ROOT})
  target_link_libraries(${name} PUBLIC ${LAYER_LINKS})
endfunction()
