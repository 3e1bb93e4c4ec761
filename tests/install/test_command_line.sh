#!/bin/sh
# The command lines as a terminal meets them: --help and --version without a display, a
# refused option, and the manual pages and qmtool's bash completion covering every command
# and option the programs' --help lists, with completions as bash offers them.
#   test_command_line.sh SOURCE_DIR BUILD_DIR
set -eu
src=$1
build=$2
quillmar=$build/src/app/quillmar
qmtool=$build/src/tool/qmtool
completion=$src/data/completion/qmtool
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() {
    echo "FAIL: $*" >&2
    failed=1
}
bare() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@"; }

version=$(sed -n 's/^project(QuillMar VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")
[ "$(bare "$quillmar" --version)" = "QuillMar $version" ] || fail "quillmar --version"
[ "$(bare "$qmtool" --version)" = "qmtool (QuillMar) $version" ] || fail "qmtool --version"
bare "$quillmar" --help >"$work/quillmar.help" || fail "quillmar --help exits non-zero"
grep -q '^Usage: quillmar ' "$work/quillmar.help" || fail "quillmar --help prints no usage"
status=0
bare "$quillmar" --frobnicate x.qmd >"$work/out" 2>"$work/err" || status=$?
[ "$status" = 2 ] || fail "an unknown option exits $status, not 2"
[ ! -s "$work/out" ] || fail "an unknown option prints on the standard output"
[ "$(head -n 1 "$work/err")" = "quillmar: unknown option --frobnicate" ] ||
    fail "an unknown option says: $(head -n 1 "$work/err")"
grep -q '^Usage: quillmar ' "$work/err" || fail "an unknown option shows no usage"

# The pages render without a warning, and hold every command and option of --help.
for page in quillmar qmtool; do
    roff=$build/data/man/$page.1
    warnings=$(groff -man -ww -z "$roff" 2>&1) || fail "$page.1 does not render"
    [ -z "$warnings" ] || fail "$page.1: $warnings"
    sed 's/\\-/-/g; s/\\f[BIRP]//g' "$roff" >"$work/$page.man"
done
"$qmtool" --help >"$work/qmtool.help"
options() { grep -o -- ' -[a-z-]*' "$1" | sed 's/^ //; /^--*$/d' | sort -u; }
for option in $(options "$work/quillmar.help"); do
    grep -q -- "$option" "$work/quillmar.man" || fail "quillmar.1 does not tell of $option"
done
commands=$(sed -n 's/^  \([a-z][a-z]*\) .*/\1/p' "$work/qmtool.help")
[ -n "$commands" ] || fail "no commands found in qmtool --help"
for command in $commands; do
    grep -q "^\.BI $command " "$work/qmtool.man" || fail "qmtool.1 does not tell of $command"
    grep -q "[ \"]$command[ \"]" "$completion" || fail "the completion misses $command"
done
for option in $(options "$work/qmtool.help"); do
    grep -q -- "$option" "$work/qmtool.man" || fail "qmtool.1 does not tell of $option"
    grep -q -- "$option\\b" "$completion" || fail "the completion misses $option"
done

# What bash offers: LINE (the cursor at its end, "_" for an empty last word) | OFFERED.
if [ -f /usr/share/bash-completion/bash_completion ]; then
    mkdir -p "$work/files/folder"
    touch "$work/files/a.qmd" "$work/files/b.txt" "$work/files/c.opml" "$work/files/d.pdf"
    while IFS='|' read -r line offered; do
        got=$(cd "$work/files" && bash -c '
            . /usr/share/bash-completion/bash_completion
            . "$1"
            read -ra COMP_WORDS <<<"$2"
            [ "${COMP_WORDS[-1]}" = _ ] && COMP_WORDS[-1]=""
            COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
            COMP_LINE="${COMP_WORDS[*]}"
            COMP_POINT=${#COMP_LINE}
            _qmtool qmtool "${COMP_WORDS[-1]}" "${COMP_WORDS[-2]}"
            printf "%s\n" "${COMPREPLY[@]}" | LC_ALL=C sort | tr "\n" " "' sh "$completion" "$line")
        [ "$got" = "$offered " ] || fail "completing '$line' offers '$got', not '$offered'"
    done <<'EOF2'
qmtool _|--help --version check dump export find import listing repair stats
qmtool ex|export
qmtool export a.qmd --format _|markdown opml text
qmtool find a.qmd W x --style _|exact in-names names-in
qmtool export a.qmd --f|--force --format
qmtool dump _|a.qmd folder
qmtool import _|b.txt c.opml folder
qmtool import b.txt _|a.qmd folder
qmtool -- dump _|a.qmd folder
qmtool listing a.qmd W -o _|d.pdf folder
EOF2
else
    echo "no bash-completion installed: completions not tried"
fi
[ "$failed" = 0 ] && echo "command line test passed"
exit "$failed"
