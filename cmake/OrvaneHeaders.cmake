# orvane_headers(<target> <PUBLIC|PRIVATE|INTERFACE> <folder>...): the headers of each folder (a path
# from the project root, such as media/frame) become includable by their path from the root
# ("media/frame/FrameTransform.h") for the target and, with PUBLIC or INTERFACE, for every target that
# links it. The rest of the tree is not: each folder is reached through a link of its own in the build
# tree, so a target sees the headers of its own folders and of the libraries it links, and an include
# that runs the wrong way, or into another deliverable, does not build.
function(orvane_headers target scope)
  foreach(folder ${ARGN})
    string(MAKE_C_IDENTIFIER "${folder}" id)
    set(root ${CMAKE_BINARY_DIR}/include/${id})
    get_filename_component(parent ${root}/${folder} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
    target_include_directories(${target} ${scope} ${root})
  endforeach()
endfunction()
