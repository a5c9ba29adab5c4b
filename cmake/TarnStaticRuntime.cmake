# The C++ runtime (libstdc++, libgcc) linked into the program instead of
# loaded with it. A run then maps and relocates only the runtime code it
# links, not the whole shared libstdc++ (about 1.6 MB of its code and data
# resident in every run, bench/README.md), and the dynamic loader resolves
# fewer symbols at start-up. libc and libm stay shared: the same libm
# functions give every result. Only for programs that load no other library
# built against the shared runtime (not tarn-mpi, whose MPI libraries may),
# and not under the sanitizers, whose runtime replaces parts of it.
include(CheckLinkerFlag)
check_linker_flag(CXX "-static-libstdc++;-static-libgcc" TARN_HAVE_STATIC_RUNTIME)

function(tarn_static_runtime target)
  if(TARN_HAVE_STATIC_RUNTIME AND NOT TARN_SANITIZE)
    target_link_options(${target} PRIVATE -static-libstdc++ -static-libgcc)
  endif()
endfunction()
