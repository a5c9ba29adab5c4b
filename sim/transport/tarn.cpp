// tarn: the simulation program. It takes no parameters and reads lam.hbook,
// gradx.hbook and sq.hbook from the working directory.
#include "run.h"

int main() { return tarn::MAIN_RU(); }
