# Thin wrapper around CMake. `make run` does the built-in build run, `make test` runs
# the whole test suite; both install what a fresh Debian machine lacks first (as root,
# or through sudo; without either they name the packages to install and stop).
# `make install` installs under PREFIX (DESTDIR honoured), `make deb` builds the Debian
# package out/percorso_VERSION_ARCH.deb.
# `make bench` runs the benchmark suite and `make bench-run` the whole-process comparison;
# neither is part of the tests, nor is `make fuzz-long`, the long fuzzing run.

BUILD_DIR ?= out/release
ASAN_DIR  ?= out/asan
BENCH_DIR ?= out/bench
FUZZ_DIR  ?= out/fuzz
DEB_DIR   ?= out/deb
JOBS      ?= $(shell nproc)
DEBS      := cmake g++ make pkg-config libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev \
             nlohmann-json3-dev libcpp-httplib-dev
# Only the test suite needs these: a browser to render the HTML report, clang and its
# libFuzzer for the fuzz targets, man-db to check the manual page, dpkg-dev and file to
# build the Debian package, Neovim to drive the language server with its built-in client,
# Node.js for the TextMate grammar's tester (npm comes with some builds of Node.js and is a
# package of its own in others), and the font the report's labels are measured in.
TEST_DEBS := chromium clang libclang-rt-dev locales man-db dpkg-dev file neovim nodejs \
             fonts-dejavu-core
# The TextMate grammar's tester, from npm, installed into the build folder only.
NPM_DIR   := out/npm
NPM_TESTS := vscode-tmgrammar-test@0.1.3
# The SARIF output's check: a JSON Schema validator, and the published SARIF 2.1.0 schema
# as shipped in Microsoft's SARIF multitool package (only its schema file is used).
NPM_SARIF := ajv-cli@5.0.0 ajv-formats@3.0.1 @microsoft/sarif-multitool-linux@5.7.0
# Locales the tests compile under, to show the output does not depend on them.
TEST_LOCALES := tr_TR.UTF-8 tr_TR.ISO-8859-9 de_DE.UTF-8
# Only the whole-process comparison needs these.
BENCH_DEBS := hyperfine time
# Only `make deb` needs these: CPack's Debian generator runs dpkg-shlibdeps and file.
DEB_DEBS := dpkg-dev file
PREFIX ?= /usr/local

# How the set-up runs what needs root: directly as root, else through sudo when there is
# one; "none" when neither can.
AS_ROOT := $(shell if [ "$$(id -u)" = 0 ]; then :; \
                   elif command -v sudo >/dev/null 2>&1; then echo sudo; else echo none; fi)

.PHONY: deps deps-test deps-bench deps-deb configure build run test test-release test-asan \
        test-fuzz fuzz-long test-decompile-sweep bench-build bench bench-run install uninstall deb clean

deps:
	@missing=$$(for p in $(DEBS); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null \
	  | grep -q 'install ok installed' || echo $$p; done); \
	missing=$$(echo $$missing); \
	if [ -n "$$missing" ]; then \
	  if [ "$(AS_ROOT)" = none ]; then \
	    echo "These Debian packages are missing, and installing them needs root (or sudo):" >&2; \
	    echo "  apt-get install $$missing" >&2; \
	    echo "Run that as root, then make again." >&2; \
	    exit 1; \
	  fi; \
	  echo "installing: $$missing"; \
	  $(AS_ROOT) apt-get update -q && \
	    $(AS_ROOT) env DEBIAN_FRONTEND=noninteractive apt-get install -y -q $$missing; \
	fi

deps-test:
	@$(MAKE) --no-print-directory deps DEBS="$(DEBS) $(TEST_DEBS)"
	@for l in $(TEST_LOCALES); do \
	  want=$$(echo $$l | tr 'A-Z' 'a-z' | tr -d '-'); \
	  locale -a 2>/dev/null | tr 'A-Z' 'a-z' | grep -qx "$$want" \
	    || { [ "$(AS_ROOT)" != none ] && $(AS_ROOT) localedef -i $${l%%.*} -f $${l#*.} $$l 2>/dev/null; } \
	    || echo "could not make locale $$l"; \
	done
	@command -v npm >/dev/null || $(MAKE) --no-print-directory deps DEBS=npm
	@test -x $(NPM_DIR)/node_modules/.bin/vscode-tmgrammar-test \
	  || npm install --prefix $(NPM_DIR) --no-audit --no-fund $(NPM_TESTS)
	@test -x $(NPM_DIR)/node_modules/.bin/ajv \
	  && test -f $(NPM_DIR)/node_modules/@microsoft/sarif-multitool-linux/sarif-2.1.0.json \
	  || npm install --prefix $(NPM_DIR) --no-audit --no-fund --ignore-scripts $(NPM_SARIF)

deps-bench:
	@$(MAKE) --no-print-directory deps DEBS="$(DEBS) $(BENCH_DEBS)"

deps-deb:
	@$(MAKE) --no-print-directory deps DEBS="$(DEBS) $(DEB_DEBS)"

configure: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_INSTALL_PREFIX="$(PREFIX)" >/dev/null

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	$(BUILD_DIR)/percorso

test-release: deps-test build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

test-asan: deps-test
	cmake -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DPERCORSO_SANITIZE=ON >/dev/null
	cmake --build $(ASAN_DIR) -j $(JOBS)
	cd $(ASAN_DIR) && ctest --output-on-failure -j $(JOBS)

# The libFuzzer targets, built with clang, each run for a few seconds over its corpus in
# fuzz/corpus/ (seeds and the regression cases of every bug fuzzing has found).
test-fuzz: deps-test
	cmake -S . -B $(FUZZ_DIR) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DPERCORSO_FUZZ=ON -DPERCORSO_TESTS=OFF >/dev/null
	cmake --build $(FUZZ_DIR) -j $(JOBS)
	cd $(FUZZ_DIR)/fuzz && ctest --output-on-failure -j $(JOBS)

# The long fuzzing run (not part of `make test`): every target FUZZ_SECONDS seconds with
# its corpus and dictionary, FUZZ_PARALLEL targets at a time (one per core unless told),
# at the lowest priority, while the kill test runs
# KILL_ROUNDS rounds beside them (fuzz/fuzz_long.sh). Inputs that crash, hang or run out
# of memory are added to fuzz/corpus/<target>/ as regression cases and fail the run; the
# figures of every target are in $(FUZZ_DIR)/long/summary.txt.
FUZZ_SECONDS ?= 300
KILL_ROUNDS  ?= 2000
FUZZ_PARALLEL ?= $(JOBS)
fuzz-long: deps-test
	cmake -S . -B $(FUZZ_DIR) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DPERCORSO_FUZZ=ON -DPERCORSO_TESTS=OFF >/dev/null
	cmake --build $(FUZZ_DIR) -j $(JOBS)
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_INSTALL_PREFIX="$(PREFIX)" >/dev/null
	cmake --build $(BUILD_DIR) -j $(JOBS) --target percorso_tests
	nice -n 19 fuzz/fuzz_long.sh $(FUZZ_DIR) $(BUILD_DIR) $(FUZZ_SECONDS) $(KILL_ROUNDS) $(FUZZ_PARALLEL)

# Every stage must pass: make stops at the first that fails, and so fails as a whole.
test: test-release test-asan test-fuzz

# The decompiler's round trip over a thousand generated scenarios (lengths from 1 km to
# 1 000 000 m, with and without the plan): minutes, so not part of `make test`, which runs
# a sample of them.
test-decompile-sweep: deps-test build
	$(BUILD_DIR)/percorso_tests --gtest_also_run_disabled_tests --gtest_filter='DecompileSweep.*'

bench-build: deps-bench
	cmake -S . -B $(BENCH_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPERCORSO_BENCH=ON \
	  -DPERCORSO_TESTS=OFF >/dev/null
	cmake --build $(BENCH_DIR) -j $(JOBS)

# Google Benchmark suite; BENCH_ARGS go to it (e.g. BENCH_ARGS=--benchmark_filter=Max).
bench: bench-build
	$(BENCH_DIR)/bench/percorso_bench $(BENCH_ARGS)

# Whole processes against the floor of copying their output files (hyperfine, GNU time).
bench-run: bench-build
	bench/bench_run.sh $(BENCH_DIR)

# The executable, its manual page and completion, the documents: under PREFIX
# (/usr/local by default), below DESTDIR when it is set.
# The list of what it installed is kept for `make uninstall` (CMake's own manifest is
# rewritten by every install, the package's too).
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD_DIR)
	sed 's|^|$(DESTDIR)|' $(BUILD_DIR)/install_manifest.txt > $(BUILD_DIR)/installed_files.txt

# Removes what the last `make install` installed.
uninstall:
	@[ -f $(BUILD_DIR)/installed_files.txt ] \
	  || { echo "nothing was installed by make install from $(BUILD_DIR)" >&2; exit 1; }
	xargs -d '\n' rm -f < $(BUILD_DIR)/installed_files.txt
	rm $(BUILD_DIR)/installed_files.txt

# The Debian package, installed under /usr: out/percorso_VERSION_ARCH.deb. Built in a
# folder of its own without the test suite, so that it builds only what the package holds
# (the two executables and the manual page) and leaves the prefix of BUILD_DIR alone.
deb: deps-deb
	cmake -S . -B $(DEB_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
	  -DPERCORSO_TESTS=OFF >/dev/null
	cmake --build $(DEB_DIR) -j $(JOBS)
	rm -rf $(DEB_DIR)/package out/percorso_*.deb
	cpack --config $(DEB_DIR)/CPackConfig.cmake -B $(DEB_DIR)/package >/dev/null
	cp $(DEB_DIR)/package/percorso_*.deb out/
	@ls out/percorso_*.deb

clean:
	rm -rf out
