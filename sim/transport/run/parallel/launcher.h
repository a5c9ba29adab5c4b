// Was this process started by an MPI launcher (mpirun, mpiexec, srun)?
//
// Told from the environment the launcher gives its processes, without any
// MPI call: a plain `tarn` never initialises MPI (under Open MPI a process
// that does so on its own starts a helper daemon, which takes a good part of
// a second and can fail in a restricted environment).
#pragma once

namespace tarn {

struct Launch {
  bool launched = false;  // started by a launcher
  int rank = 0;           // this process's rank, as far as the environment says
  int size = 0;           // the number of ranks; 0 when the environment does not say
};

// Open MPI's OMPI_COMM_WORLD_SIZE / OMPI_COMM_WORLD_RANK, PMIx's PMIX_RANK,
// and PMI's PMI_SIZE / PMI_RANK.
Launch launchFromEnvironment();

}  // namespace tarn
