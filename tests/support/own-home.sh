#!/bin/bash
# Runs a test in a home of its own, made fresh under the given folder and
# removed after: two test runs in one build folder (or one test run twice at
# once) never share the settings, charts or routes a test writes there.
#   own-home.sh <folder for homes> <test program> [arguments...]
set -u
base=$1
shift
mkdir -p "$base" || exit 1
home=$(mktemp -d "$base/home.XXXXXX") || exit 1
export HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share \
    XDG_CACHE_HOME=$home/.cache
"$@"
rc=$?
rm -rf "$home"
exit $rc
