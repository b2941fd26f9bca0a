#!/bin/sh
# Checks the #include lines of the lower layer's files (memo records and box files, the plain
# helpers and the platform pieces they use): a Qt header must be one of Qt Core's, and a project
# header must be one of the layer's own files, so that nothing above the layer is reached.
# Usage: check-includes.sh SOURCE_DIR BINARY_DIR "QT_CORE_INCLUDE_DIRS" "FILES"
# (both lists separated by ';'; a file is relative to SOURCE_DIR or absolute; generated files,
# under BINARY_DIR or outside SOURCE_DIR, are left out).
set -u
source_dir=$1
binary_dir=$2
core_dirs=$3
files=
old_ifs=$IFS
IFS=';'
for file in $4; do
    case $file in
    "$binary_dir"/*) ;;
    "$source_dir"/*) files="$files;${file#"$source_dir"/}" ;;
    /*) ;;
    *) files="$files;$file" ;;
    esac
done
IFS=$old_ifs

core_dir=
IFS=';'
for dir in $core_dirs; do
    case $dir in */QtCore) core_dir=$dir ;; esac
done
IFS=$old_ifs
if [ -z "$core_dir" ] || [ ! -d "$core_dir" ]; then
    echo "no QtCore include folder among: $core_dirs" >&2
    exit 2
fi

cd "$source_dir" || exit 2
own=$(printf '%s' "$files" | tr ';' '\n')
if [ -z "$own" ]; then
    echo "no files to check" >&2
    exit 2
fi

status=0
checked=0
for file in $own; do
    checked=$((checked + 1))
    # One "<header>" or "\"header\"" per line, from the #include lines only.
    grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]' "$file" |
        sed -E 's/^[^<"]*([<"][^>"]*[>"]).*/\1/' > "${TMPDIR:-/tmp}/tabuko-includes.$$"
    while IFS= read -r header; do
        name=${header#?}
        name=${name%?}
        case $header in
        \"*)
            if ! printf '%s\n' "$own" | grep -qxF "src/$name" &&
                ! printf '%s\n' "$own" | grep -qxF "$(dirname "$file")/$name"; then
                echo "$file: includes \"$name\" from outside the layer" >&2
                status=1
            fi
            ;;
        \<Qt*/*)
            case $name in
            QtCore/*) ;;
            *)
                echo "$file: includes <$name>, which is not a Qt Core header" >&2
                status=1
                ;;
            esac
            ;;
        \<Q*)
            if [ ! -e "$core_dir/$name" ]; then
                echo "$file: includes <$name>, which is not a Qt Core header" >&2
                status=1
            fi
            ;;
        esac
    done < "${TMPDIR:-/tmp}/tabuko-includes.$$"
    rm -f "${TMPDIR:-/tmp}/tabuko-includes.$$"
done
echo "$checked files checked"
exit $status
