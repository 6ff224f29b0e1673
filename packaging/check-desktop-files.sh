#!/usr/bin/env bash
# Checks what the package gives the desktop and man: the desktop entry and the AppStream metainfo
# pass their validators without a remark, every manual page renders without a warning, and
# quillon-convert's manual page and bash completion offer exactly the options its --help lists.
#   check-desktop-files.sh PACKAGING-SOURCE-FOLDER BUILT-MAN-FOLDER PROGRAM-FOLDER
set -uo pipefail
src=$1 man=$2 bin=$3
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

out=$(desktop-file-validate "$src/desktop/org.example.quillon.desktop" 2>&1) || fail "desktop entry"
[ -z "$out" ] || fail "desktop entry: $out"
out=$(appstreamcli validate --no-net --pedantic --strict \
    "$src/desktop/org.example.quillon.metainfo.xml" 2>&1) || fail "metainfo: $out"

for page in "$man"/*.1.gz; do
    out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    [ -z "$out" ] || fail "$(basename "$page"): $out"
done

if [ -x "$bin/quillon-convert" ]; then
    # The options that --help's option lines (indented, beginning with a dash) name before
    # their description (which follows a gap of two spaces or more).
    help=$("$bin/quillon-convert" --help | grep -E '^[[:space:]]+-' |
        sed -E 's/^[[:space:]]+//; s/[[:space:]]{2,}.*//' |
        grep -oE '(^|[[:space:],])--?[[:alnum:]][-[:alnum:]]*' | tr -d ' ,\t' | sort -u)
    manual=$(awk '/^# OPTIONS/ { on = 1; next } /^# / { on = 0 } on' "$src/man/quillon-convert.1.scd" |
        grep -E '^\*-' | grep -oE '\*--?[[:alnum:]][-[:alnum:]]*\*' | tr -d '*' | sort -u)
    [ "$help" = "$manual" ] || fail "manual page options differ from --help:
$(diff <(echo "$help") <(echo "$manual"))"

    completion=/usr/share/bash-completion/bash_completion
    if [ -r "$completion" ]; then
        # shellcheck disable=SC1090
        source "$completion"
        source "$src/completion/quillon-convert"
        complete_line() {
            COMP_WORDS=("$@")
            COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
            COMP_LINE="$*"
            COMP_POINT=${#COMP_LINE}
            COMPREPLY=()
            _quillon_convert quillon-convert "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
            printf '%s\n' "${COMPREPLY[@]}" | sort -u
        }
        offered=$(complete_line quillon-convert -)
        [ "$help" = "$offered" ] || fail "completion differs from --help:
$(diff <(echo "$help") <(echo "$offered"))"
        [ "$(complete_line quillon-convert --format '')" = "$(printf 'html\nxml')" ] ||
            fail "completion of --format"
    else
        fail "bash-completion is not installed"
    fi
fi

[ "$failures" -eq 0 ] && echo "desktop entry, metainfo, manual pages and completion: all good"
exit $((failures > 0))
