#!/bin/bash
# The build's program folder before and after the tests: every test writes
# into folders of its own, so after a test run the folder beside the program
# holds what it held before (what the build and scripts/run put there).
#   program_folder_check.sh record <program folder> <listing file>
#   program_folder_check.sh compare <program folder> <listing file>
# "record" writes the folder's entries (names, one level down) to the
# listing; "compare" fails naming every entry that has come since, and
# removes the listing. Both steps are run by the same ctest process, whose
# number the listing's name carries: two test runs in one build folder each
# compare with their own listing.

set -u
mode=$1 folder=$2 listing=$3.$PPID

entries() { (cd "$folder" && find . -mindepth 1 -maxdepth 2 | LC_ALL=C sort); }

case "$mode" in
record)
    entries > "$listing" || exit 1
    ;;
compare)
    [ -f "$listing" ] || { echo "FAIL: no listing $listing (the record step did not run)"; exit 1; }
    new=$(entries | LC_ALL=C comm -13 "$listing" -)
    if [ -n "$new" ]; then
        echo "FAIL: tests left these beside the program in $folder:"
        echo "$new" | sed 's/^/  /'
        # When each came and what it holds, to tell which test made it.
        echo "made (UTC; the tests began $(TZ=UTC date -r "$listing" '+%F %T')), and contents:"
        (cd "$folder" && echo "$new" | while read -r e; do
            TZ=UTC find "$e" -maxdepth 2 -printf '  %TY-%Tm-%Td %TH:%TM:%TS %p\n'
        done)
        rm -f "$listing"
        exit 1
    fi
    rm -f "$listing"
    echo "PASS: nothing new beside the program in $folder"
    ;;
*)
    echo "usage: $0 record|compare <program folder> <listing file>" >&2
    exit 2
    ;;
esac
