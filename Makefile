# Kestrivane: the two set-up commands are `make demo` and `make test`.
BUILD ?= build
JOBS  ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all build demo test test-asan test-portable bench fuzz clean deps install

all: build

deps:
	@tools/install-deps.sh build test

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

# Builds the command-line program and runs the demonstration on the sample files.
demo:
	@tools/install-deps.sh build
	cmake -S . -B $(BUILD)-demo -DKV_BUILD_TESTS=OFF -DKV_BUILD_GUI=OFF -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD)-demo -j $(JOBS) --target kestrivane-cli
	$(BUILD)-demo/kestrivane-cli demo kestrivane-demo

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan:
	@tools/install-deps.sh build test
	cmake -S . -B $(BUILD)-asan -DKV_SANITIZE=ON -DKV_BUILD_GUI=OFF -DCMAKE_BUILD_TYPE=Debug
	cmake --build $(BUILD)-asan -j $(JOBS)
	cd $(BUILD)-asan && ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$(CURDIR)/tools/lsan.supp \
	  ctest --output-on-failure -j $(JOBS)

# The whole suite on the plain loops only, compiled without a single vector
# intrinsic (-DKV_PORTABLE=ON), as every processor but x86-64 builds it; no
# desktop program, to keep it short.
test-portable:
	@tools/install-deps.sh build test
	cmake -S . -B $(BUILD)-portable -DKV_PORTABLE=ON -DKV_BUILD_GUI=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build $(BUILD)-portable -j $(JOBS)
	cd $(BUILD)-portable && ctest --output-on-failure -j $(JOBS)

# Fuzzing: every reader of outside input under libFuzzer with the address and
# undefined-behaviour sanitizers, FUZZ_SECONDS per target (0: each target
# once over its corpus), or until FUZZ_RUNS executions when that comes first.
# FUZZ_TARGETS picks some (default: all). See "Robustness" in README.md.
FUZZ_SECONDS ?= 60
FUZZ_RUNS ?=
FUZZ_TARGETS ?=
fuzz:
	@tools/install-deps.sh build fuzz
	CC=clang CXX=clang++ cmake -S . -B $(BUILD)-fuzz -DKV_BUILD_FUZZ=ON -DKV_BUILD_TESTS=OFF \
	  -DKV_BUILD_GUI=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD)-fuzz -j $(JOBS) --target fuzz-all
	FUZZ_RUNS=$(FUZZ_RUNS) fuzz/run.sh $(BUILD)-fuzz $(FUZZ_SECONDS) $(FUZZ_TARGETS)

# The benchmarks (bench/README.md): the engine against its plain loops and the
# FANN library in the same run, a training session, the strategy search and
# opening a model. Prints one table and writes $(BUILD)/bench/results.csv.
# BENCH_FLAGS passes options to kvbench, e.g. BENCH_FLAGS="--reps 9".
BENCH_FLAGS ?=
bench:
	@tools/install-deps.sh build bench
	cmake -S . -B $(BUILD)-bench -DKV_BUILD_BENCH=ON -DKV_BUILD_TESTS=OFF -DKV_BUILD_GUI=OFF -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD)-bench -j $(JOBS) --target kvbench
	$(BUILD)-bench/bench/kvbench --csv $(BUILD)/bench/results.csv $(BENCH_FLAGS)

# Installs the programs, manual pages, shell completion, help page and desktop
# entry under PREFIX (default /usr/local), from a release build of their own.
# DESTDIR stages the files in another root, as packagers do.
PREFIX ?= /usr/local
DESTDIR ?=
install:
	@tools/install-deps.sh build gui
	cmake -S . -B $(BUILD)-install -DKV_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)
	cmake --build $(BUILD)-install -j $(JOBS)
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD)-install --prefix "$(PREFIX)"

clean:
	rm -rf $(BUILD) $(BUILD)-demo $(BUILD)-asan $(BUILD)-portable $(BUILD)-fuzz $(BUILD)-install
