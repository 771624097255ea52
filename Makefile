# Thin wrapper around CMake. `make run` does the built-in build run, `make test` runs
# the whole test suite; both install what a fresh Debian machine lacks first.
# `make bench` runs the benchmark suite and `make bench-run` the whole-process comparison;
# neither is part of the tests.

BUILD_DIR ?= out/release
ASAN_DIR  ?= out/asan
BENCH_DIR ?= out/bench
FUZZ_DIR  ?= out/fuzz
JOBS      ?= $(shell nproc)
DEBS      := cmake g++ make pkg-config libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev \
             nlohmann-json3-dev libcpp-httplib-dev
# Only the test suite needs these: a browser to render the HTML report, clang and its
# libFuzzer for the fuzz targets.
TEST_DEBS := chromium clang libclang-rt-dev locales
# Locales the tests compile under, to show the output does not depend on them.
TEST_LOCALES := tr_TR.UTF-8 tr_TR.ISO-8859-9 de_DE.UTF-8
# Only the whole-process comparison needs these.
BENCH_DEBS := hyperfine time

.PHONY: deps deps-test deps-bench configure build run test test-release test-asan test-fuzz \
        bench-build bench bench-run clean

deps:
	@missing=$$(for p in $(DEBS); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null \
	  | grep -q 'install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "installing:$$missing"; \
	  apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q $$missing; \
	fi

deps-test:
	@$(MAKE) --no-print-directory deps DEBS="$(DEBS) $(TEST_DEBS)"
	@for l in $(TEST_LOCALES); do \
	  want=$$(echo $$l | tr 'A-Z' 'a-z' | tr -d '-'); \
	  locale -a 2>/dev/null | tr 'A-Z' 'a-z' | grep -qx "$$want" \
	    || localedef -i $${l%%.*} -f $${l#*.} $$l 2>/dev/null || echo "could not make locale $$l"; \
	done

deps-bench:
	@$(MAKE) --no-print-directory deps DEBS="$(DEBS) $(BENCH_DEBS)"

configure: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

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

# Every stage must pass: make stops at the first that fails, and so fails as a whole.
test: test-release test-asan test-fuzz

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

clean:
	rm -rf out
