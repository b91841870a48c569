// dialog_script.cpp -- the shell tests' dialog answering, shared with the end-to-end tests
#include "tests/shell/dialog_script.cpp"
