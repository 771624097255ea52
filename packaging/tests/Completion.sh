# The installed bash completion registers itself for percorso and answers a command line
# typed halfway: commands and options as the program's --help lists them, and for
# --line and --train the routes of the --dir given (texts and compiled scenarios).
. "$(dirname "$0")/lib.sh"
install_into_scratch
PATH=$scratch/root/usr/bin:$PATH
source "$scratch/root/usr/share/bash-completion/completions/percorso"
[[ $(complete -p percorso) == *"-F _percorso"* ]] || fail "complete -p: $(complete -p percorso)"

# A directory of routes. Line names may hold underscores; B has only a compiled scenario.
r=$scratch/routes
mkdir -p "$r/sub"
touch "$r/Valdoro_Ostrano_linea.txt" "$r/Valdoro_Ostrano_55-.txt" "$r/Valdoro_Ostrano_12-.txt" \
      "$r/A_linea.txt" "$r/A_7-.txt" "$r/B_3.sim" "$r/notes.txt"

# Completes the words given (the last the one being typed) as bash would.
offered() {
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _percorso
  printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ' | sed 's/ $//'
}
expect() {
  local want=$1
  shift
  local got
  got=$(offered "$@")
  [[ $got == "$want" ]] || fail "[$*] offered '$got', expected '$want'"
}

all_commands=$(percorso --help | awk '/^Subcommands:$/ { on = 1; next } !/^  [^ ]/ { on = 0 } on { print $1 }' | sort | tr '\n' ' ' | sed 's/ $//')
expect "$all_commands" percorso ""
expect "compile" percorso comp
expect "--version" percorso --ver
expect "--line" percorso compile --li
expect "--no-plan --no-warn" percorso compile --check --no
expect "--out --output" percorso report --ou
expect "--json" percorso dump --js
expect "A B Valdoro_Ostrano" percorso compile --dir "$r" --line ""
expect "Valdoro_Ostrano" percorso compile --dir "$r" --line V
expect "12 3 55 7" percorso report --dir "$r" --train ""
expect "12 55" percorso compile --dir "$r" --line Valdoro_Ostrano --train ""
expect "A" percorso compile --dir "$r" --train 7 --line ""
# --dir=DIR reaches the function as "--dir" "=" "DIR".
expect "7" percorso compile --dir = "$r" --line A --train ""
expect "12 3 55 7" percorso compile --dir = "$r" --train =
expect "$r/sub" percorso compile --dir "$r/"
expect "$r/B_3.sim" percorso dump "$r/B"
# Option values: the formats but the default, the warning names, and for explain every
# error number and warning name.
expect "json sarif" percorso compile --format ""
expect "sarif" percorso compile --format s
expect "json" percorso compile --format = j
warnings=$(offered percorso compile --no-warn "")
for name in unknown-row rounded-position curve-dropped cell-collision-risk; do
  [[ " $warnings " == *" $name "* ]] || fail "--no-warn does not offer $name: $warnings"
done
[[ $warnings =~ ^[a-z-]+( [a-z-]+)*$ ]] || fail "--no-warn offers more than names: $warnings"
expect "rounded-position rounded-speed" percorso compile --check --no-warn round
codes=$(offered percorso explain "")
for code in 1 16 1250 1251 unknown-row empty-text; do
  [[ " $codes " == *" $code "* ]] || fail "explain does not offer $code: $codes"
done
[[ $(wc -w <<<"$codes") == $(percorso explain --list | wc -l) ]] \
  || fail "explain offers $(wc -w <<<"$codes") codes of $(percorso explain --list | wc -l)"
expect "1250 1251" percorso explain 125
expect "--dir" percorso build-run --d
# The current directory when there is no --dir.
cd "$r"
expect "A B Valdoro_Ostrano" percorso compile --line ""
echo "completion answers"
