# Shared by the install tests: BUILD SOURCE VERSION as arguments, a scratch directory
# removed at exit, and `fail`, which reports and ends the test.
set -euo pipefail
build=$1
source=$2
version=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Installs the build under $scratch/root with prefix /usr, as a package would.
install_into_scratch() {
  DESTDIR=$scratch/root cmake --install "$build" --prefix /usr >/dev/null
}
