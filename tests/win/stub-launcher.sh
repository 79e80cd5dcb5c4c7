#!/bin/sh
# Stands in for the browser and the mail program in the Windows tests: Wine's shell hands it
# the address it would open, and it writes that down.
printf '%s\n' "$*" >>"${KELVR_LAUNCH_LOG:?}"
