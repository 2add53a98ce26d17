#include "sim/sim.h" // below, but not linked
