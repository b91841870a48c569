// scratch_dir.cpp -- every station test program runs in a fresh folder of its own
#include "tests/support/scratch_dir.h"
