#!/usr/bin/env bash
# The clock's core stands alone: a file under app/ includes only the C++ standard
# library (<name>, no extension) and other files of app/, never a host's file or a
# toolkit's header. Prints every include that breaks this and fails if there is one.
set -euo pipefail
cd "$(dirname "$0")/.."
status=0
while IFS=: read -r file line text; do
    header=$(sed -E 's/^[^<"]*[<"]([^>"]*)[>"].*/\1/' <<<"$text")
    if [[ $text == *'"'* ]]; then
        [ -f "$(dirname "$file")/$header" ] || [ -f "app/$header" ] || [ -f "app/winapi/$header" ]
    else
        [[ $header =~ ^[a-z_]+$ ]]
    fi || {
        echo "$file:$line: $text" >&2
        status=1
    }
done < <(grep -rnE '^\s*#\s*include' app)
exit $status
