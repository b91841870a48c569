// dialog_script.cpp -- the shell tests' dialog answering, shared with the network tests
#include "tests/shell/dialog_script.cpp"
