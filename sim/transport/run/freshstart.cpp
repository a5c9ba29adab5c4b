#include "transport/run/freshstart.h"

#include "hbook/memory/store.h"
#include "ranlux/ranlux.h"

namespace tarn {

void startFresh() {
  hbook::memory().clear();
  hbook::resetRndm();
  ranlux::runGenerator() = ranlux::Ranlux();
}

}  // namespace tarn
