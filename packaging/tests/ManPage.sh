# The installed manual page renders without a warning from man or groff, has the usual
# sections, and documents every command the program's --help lists with every option
# of that command's --help.
. "$(dirname "$0")/lib.sh"
install_into_scratch
page=$scratch/root/usr/share/man/man1/percorso.1.gz
exe=$scratch/root/usr/bin/percorso
[[ -f $page ]] || fail "no installed page"

MANWIDTH=80 man --warnings=all -l -Tutf8 "$page" > /dev/null 2> "$scratch/man-T.err" \
  || fail "man -Tutf8 failed: $(cat "$scratch/man-T.err")"
[[ ! -s $scratch/man-T.err ]] || fail "man -Tutf8 warns: $(cat "$scratch/man-T.err")"
zcat "$page" | groff -man -Tutf8 -ww -z 2> "$scratch/groff.err"
[[ ! -s $scratch/groff.err ]] || fail "groff warns: $(cat "$scratch/groff.err")"
MANWIDTH=80 man -E UTF-8 -l "$page" 2> "$scratch/man.err" > "$scratch/page.txt"
[[ ! -s $scratch/man.err ]] || fail "man warns: $(cat "$scratch/man.err")"
text=$(cat "$scratch/page.txt")

for section in NAME SYNOPSIS DESCRIPTION OPTIONS COMMANDS "EXIT STATUS" FILES EXAMPLES; do
  grep -qx "$section" <<<"$text" || fail "no section $section"
done
grep -q '^percorso '"$version"' ' <<<"$text" || fail "the page does not name version $version"

# The text of one section of the rendered page: from its heading to the next.
section() { awk -v s="$1" '$0 == s { on = 1; next } /^[A-Z]/ { on = 0 } on' <<<"$text"; }
# The text of one command's subsection.
command_text() {
  section COMMANDS | awk -v c="   $1" '$0 == c { on = 1; next } /^   [^ ]/ { on = 0 } on'
}

commands=$("$exe" --help | awk '/^Subcommands:$/ { on = 1; next } !/^  [^ ]/ { on = 0 } on { print $1 }')
[[ -n $commands ]] || fail "--help lists no command"
for c in $commands; do
  body=$(command_text "$c")
  [[ -n $body ]] || fail "no subsection for $c"
  grep -q "percorso $c" <<<"$body" || fail "the subsection of $c has no usage"
  for option in $("$exe" "$c" --help | grep -oE '^  -[^ ]+' | tr ',' ' '); do
    [[ $option == -h || $option == --help ]] && continue
    grep -qF -- "$option" <<<"$body" || fail "$c: $option is not in its subsection"
  done
done
for option in $("$exe" --help | grep -oE '^  -[^ ]+' | tr ',' ' '); do
  section OPTIONS | grep -qF -- "$option" || fail "$option is not in OPTIONS"
done
# Where the installed editor files are, and what the program started with no arguments
# does when installed.
section FILES | grep -qF 'share/percorso/editors/' || fail "FILES does not name the editor files"
section FILES | tr -s ' \n' ' ' | grep -qF 'percorso build-run --dir DIR' \
  || fail "FILES does not tell of build-run"
for status in 0 1 2 3; do
  section "EXIT STATUS" | grep -qE "^       $status " || fail "exit status $status is not documented"
done
echo "the page documents: $(echo $commands)"
