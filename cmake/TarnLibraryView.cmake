# What a library's own files may include.
#
# Every header is included by its path from sim/ ("transport/helium/wq.h").
# A library that must not see the rest of the tree gets, instead of sim/
# itself, an include root of its own in the build folder that holds links to
# the parts of sim/ it may use and nothing else:
#   tarn_library_view(helium transport/helium transport/constants.h transport/lost.h)
# Its users see the same view (and their own include roots); the libraries
# it links bring their views along. A routine file that includes, say,
# "transport/run/run.h" then fails to compile.
set(TARN_SIM_DIR ${CMAKE_CURRENT_LIST_DIR}/../sim)
cmake_path(ABSOLUTE_PATH TARN_SIM_DIR NORMALIZE)

function(tarn_library_view target)
  set(view ${CMAKE_BINARY_DIR}/include-views/${target})
  file(REMOVE_RECURSE ${view})
  foreach(part ${ARGN})
    if(NOT EXISTS ${TARN_SIM_DIR}/${part})
      message(FATAL_ERROR "tarn_library_view(${target}): no sim/${part}")
    endif()
    get_filename_component(parent ${view}/${part} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${TARN_SIM_DIR}/${part} ${view}/${part} SYMBOLIC)
  endforeach()
  target_include_directories(${target} PUBLIC ${view})
endfunction()
