# The installed program started with no arguments from where it is installed writes
# nothing (not in its own folder, not in the current one) and exits 2 with the usage and
# the hint of `percorso build-run --dir DIR`; that command writes the files of the build
# run, byte for byte the same as the bare run of a copy in a folder of the user's.
. "$(dirname "$0")/lib.sh"
install_into_scratch
exe=$scratch/root/usr/bin/percorso

# Every file under a folder with its size and contents' digest, to see that none changed.
snapshot() { (cd "$1" && find . -print0 | sort -z | xargs -0 -r md5sum 2>/dev/null; find . | sort); }

mkdir "$scratch/cwd"
before_root=$(snapshot "$scratch/root")
for from in "$scratch/cwd" "$scratch/root/usr/bin" /; do
  status=0
  (cd "$from" && "$exe") > "$scratch/out" 2> "$scratch/err" || status=$?
  [[ $status == 2 ]] || fail "from $from: exit $status, expected 2: $(cat "$scratch/err")"
  grep -q '^Usage: percorso ' "$scratch/err" || fail "from $from: no usage: $(cat "$scratch/err")"
  grep -qF 'percorso build-run --dir DIR' "$scratch/err" || fail "from $from: no hint: $(cat "$scratch/err")"
  ! grep -q Attendere "$scratch/out" "$scratch/err" || fail "from $from: it started the build run"
done
[[ $(snapshot "$scratch/root") == "$before_root" ]] || fail "the install folder changed"
[[ -z $(ls -A "$scratch/cwd") ]] || fail "it wrote into the current folder: $(ls -A "$scratch/cwd")"

# A copy in a folder of the user's keeps the bare build run; `build-run --dir` writes the
# same files into the folder named (created when missing).
mkdir "$scratch/copy"
cp "$exe" "$scratch/copy/"
(cd / && "$scratch/copy/percorso") > "$scratch/copy.out" || fail "the bare run of a copy failed"
grep -q Attendere "$scratch/copy.out" || fail "the bare run of a copy did not print Attendere"
(cd "$scratch/cwd" && "$exe" build-run --dir run/here) > "$scratch/run.out" \
  || fail "build-run failed"
grep -q Attendere "$scratch/run.out" || fail "build-run did not print Attendere"
written=$(cd "$scratch/cwd/run/here" && ls)
[[ $written == "$(cd "$scratch/copy" && ls | grep -vx percorso)" ]] \
  || fail "build-run wrote $(echo $written), the bare run $(cd "$scratch/copy" && ls)"
[[ $(wc -w <<<"$written") == 6 ]] || fail "build-run wrote $(echo $written)"
for f in $written; do
  cmp -s "$scratch/cwd/run/here/$f" "$scratch/copy/$f" || fail "build-run and the bare run differ in $f"
done
echo "installed, no arguments: exit 2, nothing written; build-run --dir wrote $(echo $written)"
