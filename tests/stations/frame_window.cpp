// frame_window.cpp -- the shell tests' frame window, shared with the station tests
#include "tests/shell/frame_window.cpp"
