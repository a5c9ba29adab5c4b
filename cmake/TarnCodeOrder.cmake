# The code a usual run executes, placed together in the program's code. The
# kernel maps a program's code 64 kB around each page first executed, so
# code executed by the usual run, spread over the whole program, made nearly
# all of it resident. The program's libraries compile each function into a
# section of its own (-ffunction-sections, set in the top CMakeLists.txt);
# gold links the sections named in programs/tarn/code-order.txt
# (scripts/code-order.sh writes it) together.
# A function missing from the list costs resident memory, never a result.
# Without gold the program links as before.
include(CheckLinkerFlag)
set(TARN_CODE_ORDER ${PROJECT_SOURCE_DIR}/programs/tarn/code-order.txt)
check_linker_flag(CXX "-fuse-ld=gold;LINKER:--section-ordering-file=${TARN_CODE_ORDER}" TARN_HAVE_CODE_ORDER)
if(NOT TARN_HAVE_CODE_ORDER AND NOT TARN_SANITIZE)
  message(STATUS "no gold linker: the programs' code is not ordered (more resident memory, the same results)")
endif()

function(tarn_code_order target)
  if(TARN_HAVE_CODE_ORDER AND NOT TARN_SANITIZE)
    target_link_options(${target} PRIVATE -fuse-ld=gold LINKER:--section-ordering-file=${TARN_CODE_ORDER})
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${TARN_CODE_ORDER})
  endif()
endfunction()
