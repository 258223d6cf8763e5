#!/bin/sh
# Linker launcher for the deliverables: links with the win32-thread variant
# of the toolchain's runtime, so no threading runtime (winpthreads, which
# imports functions Windows XP and Server 2003 lack) comes in. The tests keep
# the posix variant.
compiler=$1
shift
case $compiler in
  *-posix) exec "${compiler%-posix}-win32" "$@" ;;
  *) exec "$compiler" "$@" ;;
esac
