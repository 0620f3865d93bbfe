#!/usr/bin/env bash
# CTest's emulator: runs one Windows program in the project's prefix.
source "$(dirname "$0")/env.sh"
exec wine "$@"
