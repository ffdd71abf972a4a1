#!/usr/bin/env bash
# The seam between the program and the windows' module it loads, checked when they are linked.
#   module-symbols.sh exports <module> <list>
#       Writes the linker's dynamic list for the program: the symbols the module takes from
#       outside itself. The program exports those of them it defines, and nothing else.
#   module-symbols.sh check <program> <module>
#       Fails, naming them, when the module needs symbols that neither the program exports nor
#       a library the module links provides: such a module could not be loaded.
set -euo pipefail

# A shared object's symbols, without their version suffixes.
undefinedIn() { nm -D --undefined-only "$1" | awk '$1 == "U" { sub(/@.*/, "", $2); print $2 }' | sort -u; }
definedIn() { nm -D --defined-only "$1" | awk '{ sub(/@.*/, "", $3); print $3 }' | sort -u; }

case "${1:-}" in
exports)
    module=$2 list=$3
    {
        echo "{"
        undefinedIn "$module" | sed 's/$/;/'
        echo "};"
    } > "$list.new"
    # Unchanged content keeps the program from relinking for nothing.
    if cmp -s "$list.new" "$list"; then rm "$list.new"; else mv "$list.new" "$list"; fi
    ;;
check)
    program=$2 module=$3
    # Each library by its path, the dynamic loader (listed without an arrow) included.
    libraries=$(ldd "$module" | awk '$2 == "=>" && $3 ~ /^\// { print $3 } $1 ~ /^\// { print $1 }')
    provided=$({
        definedIn "$program"
        for library in $libraries; do definedIn "$library"; done
    } | sort -u)
    missing=$(comm -23 <(undefinedIn "$module") <(printf '%s\n' "$provided"))
    if [ -n "$missing" ]; then
        echo "$module needs what $program does not export:" >&2
        printf '%s\n' "$missing" | c++filt | sed 's/^/  /' >&2
        exit 1
    fi
    ;;
*)
    echo "usage: $0 exports <module> <list> | check <program> <module>" >&2
    exit 2
    ;;
esac
