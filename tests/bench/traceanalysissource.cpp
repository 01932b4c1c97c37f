// The benchmark's trace reader is not part of any library; its tests compile it in.
#include "bench/traceanalysis.cpp"
