#!/bin/sh
# The battle model includes no window header: its calls to the windows go through sim/outward.h.
# Run from the source root; prints each offending line and fails when there is one.
! grep -n '#include "\(stations/\|shell/\(shell\|frame\|dialogs\|keys\)\.h\)' sim/* net/* media/* shell/debug.*
