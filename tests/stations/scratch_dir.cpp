// scratch_dir.cpp -- every station test program runs in a fresh folder of its own
#include "tests/shell/scratch_dir.h"
