#!/usr/bin/env bash
# build.sh BUILD_DIR [cmake --build arguments...]: builds, and when an incremental build fails,
# regenerates Qt's generated sources (moc) once and retries: after new headers arrive with a pull,
# a stale moc list can otherwise end in missing vtables at link time.
set -uo pipefail
dir=$1; shift
cmake --build "$dir" "$@" && exit 0
echo "Build failed; regenerating Qt's generated sources and trying again" >&2
rm -rf "$dir"/src/*_autogen "$dir"/tests/*_autogen "$dir"/tools/*/*_autogen "$dir"/fuzz/*_autogen
cmake --build "$dir" "$@"
