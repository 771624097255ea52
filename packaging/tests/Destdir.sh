# `cmake --install` into a scratch DESTDIR puts every file in its usual place, and the
# installed program works: --help, --version (with the commit of a git checkout), the
# build run from a copy in a scratch directory, and export then compile anywhere.
. "$(dirname "$0")/lib.sh"
install_into_scratch
usr=$scratch/root/usr

expected=(bin/percorso libexec/percorso/percorso-serve share/man/man1/percorso.1.gz share/bash-completion/completions/percorso
          share/doc/percorso/README.md share/doc/percorso/copyright)
for f in "$source"/docs/*.md; do expected+=("share/doc/percorso/docs/${f##*/}"); done
if [[ -d $source/editors ]]; then
  while IFS= read -r f; do expected+=("share/percorso/editors/$f"); done \
    < <(cd "$source/editors" && find . -type f | sed 's|^\./||')
fi
actual=$(cd "$scratch/root" && find . -type f -o -type l | sed 's|^\./usr/||' | sort)
want=$(printf '%s\n' "${expected[@]}" | sort)
[[ $actual == "$want" ]] || fail "installed files differ: $(diff <(echo "$want") <(echo "$actual"))"
[[ -x $usr/bin/percorso ]] || fail "bin/percorso is not executable"
cmp -s "$source/README.md" "$usr/share/doc/percorso/README.md" || fail "README.md differs"

exe=$usr/bin/percorso
"$exe" --help | grep -q '^Usage: percorso ' || fail "--help has no usage line"
mapfile -t lines < <("$exe" --version)
[[ ${lines[0]} == "percorso $version" ]] || fail "--version says '${lines[0]}'"
if head=$(git -C "$source" rev-parse HEAD 2>/dev/null) \
    && [[ $(git -C "$source" rev-parse --show-toplevel) -ef $source ]]; then
  [[ ${lines[1]-} == "commit $head"* ]] || fail "--version lacks 'commit $head': ${lines[*]}"
fi

# The build run works in the directory of the executable: run a copy of it.
mkdir "$scratch/run"
cp "$exe" "$scratch/run/"
(cd / && "$scratch/run/percorso") > "$scratch/run.out" || fail "the build run failed"
grep -q Attendere "$scratch/run.out" || fail "the build run did not print Attendere"
for f in Valdoro_Ostrano_55.dat Valdoro_Ostrano_55.sim Valdoro_Ostrano_linea.dat \
         Valdoro_Ostrano_55_note.txt Valdoro_Ostrano_55_rallentamenti.txt \
         Valdoro_Ostrano_55_scheda_treno.txt; do
  [[ -s $scratch/run/$f ]] || fail "the build run did not write $f"
done

# The commands work from any directory; the built-in route's texts compile into the
# same bytes as the build run writes.
mkdir "$scratch/author"
cd "$scratch/author"
"$exe" export --dir routes > /dev/null || fail "export failed"
"$exe" compile --dir routes 2> compile.err || fail "compile failed: $(cat compile.err)"
for f in Valdoro_Ostrano_55.dat Valdoro_Ostrano_55.sim Valdoro_Ostrano_linea.dat; do
  cmp -s "routes/$f" "$scratch/run/$f" || fail "compile and the build run differ in $f"
done

# `serve` runs the preview server installed under libexec: its own messages show it ran
# (a directory without texts is its usage error, status 2).
mkdir -p "$scratch/author/empty"
status=0
"$exe" serve --dir "$scratch/author/empty" 2> serve.err || status=$?
[[ $status == 2 ]] && grep -q '^percorso serve: no pair of texts' serve.err \
  || fail "the installed serve did not run the preview server ($status): $(cat serve.err)"
[[ -x $usr/libexec/percorso/percorso-serve ]] || fail "libexec/percorso/percorso-serve is not executable"
# Only the preview server loads the HTTP library; the other commands start without it.
if command -v readelf > /dev/null; then
  ! readelf -d "$exe" | grep -q 'NEEDED.*httplib' || fail "bin/percorso loads the HTTP library"
  readelf -d "$usr/libexec/percorso/percorso-serve" | grep -q 'NEEDED.*httplib' \
    || fail "the preview server does not link the HTTP library"
fi
echo "installed $(wc -l <<<"$actual") files; the installed program runs"
