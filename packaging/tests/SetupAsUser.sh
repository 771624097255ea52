# The Makefile's set-up run by an ordinary user with a package missing: through sudo
# when there is one; without sudo it names the packages to install and stops, instead
# of failing inside apt-get. Needs root to become another user; skipped otherwise.
. "$(dirname "$0")/lib.sh"
[[ $(id -u) == 0 ]] && command -v setpriv > /dev/null || exit 77
user=nobody
id "$user" > /dev/null 2>&1 || exit 77

# Only the tools the set-up uses, so that a sudo of this machine stays out of sight.
chmod 755 "$scratch"
mkdir "$scratch/bin"
for tool in make sh dpkg-query grep id nproc; do
  ln -s "$(command -v "$tool")" "$scratch/bin/$tool"
done
cp "$source/Makefile" "$scratch/"
missing="percorso-test-no-such-package other-no-such-package"
as_user() {
  (cd "$scratch" && setpriv --reuid="$user" --regid="$(id -g "$user")" --clear-groups \
     env -i PATH="$scratch/bin" HOME="$scratch" make -s deps DEBS="$missing make")
}

if as_user > "$scratch/out" 2> "$scratch/err"; then fail "the set-up went on without root"; fi
grep -qxF "  apt-get install $missing" "$scratch/err" || fail "no apt-get line: $(cat "$scratch/err")"
! grep -q "installing" "$scratch/out" || fail "it tried to install: $(cat "$scratch/out")"

# With sudo (here one that notes what it is asked), both apt-get steps go through it.
cat > "$scratch/bin/sudo" <<'SUDO'
#!/bin/sh
echo "$*" >> "$HOME/sudo.log"
SUDO
chmod 755 "$scratch/bin/sudo"
touch "$scratch/sudo.log"
chmod 666 "$scratch/sudo.log"
as_user > "$scratch/out" 2> "$scratch/err" || fail "the set-up with sudo failed: $(cat "$scratch/err")"
want="apt-get update -q
env DEBIAN_FRONTEND=noninteractive apt-get install -y -q $missing"
[[ $(cat "$scratch/sudo.log") == "$want" ]] || fail "sudo was asked: $(cat "$scratch/sudo.log")"
echo "as $user: without sudo it names the packages, with sudo it uses it"
