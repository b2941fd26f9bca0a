#!/bin/sh
# Runs tools/includegraph over copies of src/ with one include planted in each: every include
# into the main window from below it other than the editor's hand-over, and every circle, must
# fail the check, while the copy as it is passes.
# Usage: includegraph-planted.sh PYTHON SOURCE_DIR
set -u
python=$1
source_dir=$2
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
failures=0

# check EXPECTED_STATUS FILE INCLUDE: copies src/, adds `#include "INCLUDE"` to the top of FILE
# (under src/; none for an empty FILE) and compares the tool's exit status with EXPECTED_STATUS.
check() {
    rm -rf "$work/src"
    cp -R "$source_dir/src" "$work/src" || exit 1
    if [ -n "$2" ]; then
        printf '#include "%s"\n' "$3" | cat - "$work/src/$2" > "$work/planted" &&
            mv "$work/planted" "$work/src/$2" || exit 1
    fi
    "$python" "$source_dir/tools/includegraph" "$work/src" > /dev/null 2> "$work/errors"
    status=$?
    if [ "$status" -ne "$1" ]; then
        echo "FAIL: ${2:-(nothing planted)} including $3: status $status, expected $1"
        cat "$work/errors"
        failures=$((failures + 1))
    fi
}

check 0 "" ""
# The hand-over itself, written once more, is still the hand-over.
check 0 editor/Unit2.cpp mainwindow/Unit1.h
# Another main-window header in the editor's window, and the hand-over header elsewhere.
check 1 editor/Unit2.cpp mainwindow/MenuTitle.h
check 1 editor/Unit2.h mainwindow/Unit1.h
check 1 editor/Phrases.cpp mainwindow/Unit1.h
check 1 search/SearchWindow.cpp mainwindow/Unit1.h
check 1 trayicon/TrayIcon.cpp mainwindow/Unit1.h
# A circle: the shared window pieces reaching back into the main window.
check 1 ui/Position.cpp mainwindow/Unit1.h

[ "$failures" -eq 0 ]
