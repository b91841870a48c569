// scratch_dir.cpp -- every shell test program runs in a fresh folder of its own
#include "tests/support/scratch_dir.h"
