# Layer libraries with staged include roots.
#
# Every header is included as "folder/File.h" from the repository root, so giving a library the
# root itself would let it include anything. Instead each layer gets its own root under
# ${TV_LAYERS_DIR}/<layer>/, holding links to the headers of its folders only; a library sees its
# own root and those of the layers it links, and nothing above. The links are remade at every
# configure, and the header globs re-run the configure when a header is added or removed.

set(TV_LAYERS_DIR ${CMAKE_BINARY_DIR}/layers)
set(TV_LAYER_ROOTS_FILE ${TV_LAYERS_DIR}/roots.cmake)
file(WRITE ${TV_LAYER_ROOTS_FILE} "# The include roots each layer compiles with (written by cmake/Layers.cmake).\n")

# Links the headers of one folder (not its sub-folders) into the root of a layer.
function(tv_stage_headers layer folder)
  file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.h)
  file(REMOVE_RECURSE ${TV_LAYERS_DIR}/${layer}/${folder})
  file(MAKE_DIRECTORY ${TV_LAYERS_DIR}/${layer}/${folder})
  foreach(header IN LISTS headers)
    get_filename_component(name ${header} NAME)
    file(CREATE_LINK ${header} ${TV_LAYERS_DIR}/${layer}/${folder}/${name} SYMBOLIC)
  endforeach()
endfunction()

# tv_layer(NAME FOLDERS folder... [BELOW layer...] [LIBS target...] [EXCLUDE regex])
# Makes the library tv_NAME from the .cpp files of its folders, linking the layers below PRIVATE.
function(tv_layer name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "EXCLUDE" "FOLDERS;BELOW;LIBS")
  set(sources "")
  foreach(folder IN LISTS arg_FOLDERS)
    tv_stage_headers(${name} ${folder})
    file(GLOB folder_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
    list(APPEND sources ${folder_sources})
  endforeach()
  if(arg_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "${arg_EXCLUDE}")
  endif()
  set(below_targets "")
  set(roots ${TV_LAYERS_DIR}/${name})
  foreach(layer IN LISTS arg_BELOW)
    list(APPEND below_targets tv_${layer})
    list(APPEND roots ${TV_LAYERS_DIR}/${layer})
  endforeach()
  if(sources)
    add_library(tv_${name} STATIC ${sources})
    target_include_directories(tv_${name} PUBLIC ${TV_LAYERS_DIR}/${name})
    target_link_libraries(tv_${name} PUBLIC ${arg_LIBS} PRIVATE ${below_targets})
    tv_warnings(tv_${name})
  else()
    # A layer without sources yet (its folder is still being filled) only passes its headers on.
    add_library(tv_${name} INTERFACE)
    target_include_directories(tv_${name} INTERFACE ${TV_LAYERS_DIR}/${name})
    target_link_libraries(tv_${name} INTERFACE ${arg_LIBS} ${below_targets})
  endif()
  file(APPEND ${TV_LAYER_ROOTS_FILE} "set(TV_ROOTS_${name} \"${roots}\")\n")
endfunction()

# Links a program or test to the given layers (and so gives it their headers).
function(tv_use_layers target)
  foreach(layer IN LISTS ARGN)
    target_link_libraries(${target} PRIVATE tv_${layer})
  endforeach()
endfunction()
