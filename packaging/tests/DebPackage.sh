# CPack builds percorso_VERSION_ARCH.deb from the build: its control fields, its
# contents (everything under /usr, owned by root, the executable stripped) and the
# program it holds are checked with dpkg-deb.
. "$(dirname "$0")/lib.sh"
command -v dpkg-deb > /dev/null || fail "dpkg-deb is missing"
cpack --config "$build/CPackConfig.cmake" -B "$scratch" > "$scratch/cpack.log" 2>&1 \
  || fail "cpack failed: $(cat "$scratch/cpack.log")"
arch=$(dpkg --print-architecture)
deb=$scratch/percorso_${version}_$arch.deb
[[ -f $deb ]] || fail "no $deb: $(ls "$scratch")"

field() { dpkg-deb -f "$deb" "$1"; }
[[ $(field Package) == percorso ]] || fail "Package: $(field Package)"
[[ $(field Version) == "$version" ]] || fail "Version: $(field Version)"
[[ $(field Architecture) == "$arch" ]] || fail "Architecture: $(field Architecture)"
[[ $(field Maintainer) =~ ^[^\<]+\ \<[^@]+@example\.org\>$ ]] || fail "Maintainer: $(field Maintainer)"
[[ $(field Section) == utils && $(field Priority) == optional ]] || fail "Section or Priority"
# The C++ runtime is linked in: the C library is the one dependency, with its version.
# Computed by dpkg-shlibdeps from what the executables link: the C library and the HTTP
# library of the preview server (libexec/percorso/percorso-serve), each with a lowest
# version.
depends=$(field Depends)
IFS=',' read -ra wanted <<<"$depends"
for d in "${wanted[@]}"; do
  [[ $d =~ ^\ ?[a-z0-9][a-z0-9.+-]*\ \(\>=\ [0-9][0-9A-Za-z.+~:-]*\)$ ]] || fail "Depends: $depends"
done
[[ $depends =~ (^|,\ )libc6\ \( ]] || fail "Depends without libc6: $depends"
[[ $depends =~ (^|,\ )libcpp-httplib[0-9.]*\ \( ]] || fail "Depends without the HTTP library: $depends"
description=$(field Description)
[[ $(head -1 <<<"$description") == "compiler of railway route scenarios for a train-driving simulator" ]] \
  || fail "Description summary: $(head -1 <<<"$description")"
[[ $(wc -l <<<"$description") -ge 3 ]] || fail "no long description"
while IFS= read -r line; do
  [[ ${#line} -le 80 ]] || fail "a description line is longer than 80: $line"
done <<<"$description"
dpkg-deb -I "$deb" md5sums > /dev/null || fail "no md5sums"

contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/percorso ./usr/libexec/percorso/percorso-serve ./usr/share/man/man1/percorso.1.gz \
         ./usr/share/bash-completion/completions/percorso ./usr/share/doc/percorso/copyright \
         ./usr/share/doc/percorso/README.md ./usr/share/doc/percorso/docs/text-format.md; do
  grep -qE " $f\$" <<<"$contents" || fail "the package lacks $f"
done
grep -qE '^-rwxr-xr-x root/root .* \./usr/bin/percorso$' <<<"$contents" || fail "bin/percorso mode or owner"
grep -qE '^-rwxr-xr-x root/root .* \./usr/libexec/percorso/percorso-serve$' <<<"$contents" \
  || fail "libexec/percorso/percorso-serve mode or owner"
! grep -vE '^[-d]r[-w][-x]r-[-x]r-[-x] root/root ' <<<"$contents" || fail "an entry not root's or not world-readable"
! grep -vE ' \./usr/' <<<"$contents" | grep -vE ' \./$' || fail "an entry outside /usr"

dpkg-deb -x "$deb" "$scratch/x"
[[ $("$scratch/x/usr/bin/percorso" --version | head -1) == "percorso $version" ]] || fail "the packaged program"
# Unpacked into a root of its own, started with no arguments from its place there: it
# writes nothing and tells how to do the build run elsewhere.
listing=$(cd "$scratch/x" && find . | sort)
status=0
(cd "$scratch/x/usr/bin" && ./percorso) > /dev/null 2> "$scratch/noargs.err" || status=$?
[[ $status == 2 ]] && grep -qF 'percorso build-run --dir DIR' "$scratch/noargs.err" \
  || fail "the packaged program without arguments: exit $status: $(cat "$scratch/noargs.err")"
[[ $(cd "$scratch/x" && find . | sort) == "$listing" ]] || fail "the packaged program wrote files"
if command -v readelf > /dev/null; then
  ! readelf -S "$scratch/x/usr/bin/percorso" | grep -q '\.debug_info' || fail "the executable is not stripped"
fi
echo "$(basename "$deb"): Depends: $(field Depends); $(wc -l <<<"$contents") entries"
