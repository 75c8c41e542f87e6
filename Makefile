# The two commands of the README, and the benchmarks. Each installs what is missing,
# configures and builds before it runs.
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
# A compiler cache, when the machine has one, makes the three builds share their work.
ifneq ($(shell command -v ccache 2>/dev/null),)
CMAKE_FLAGS += -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1
endif

.PHONY: run test bench deps build build-asan build-tsan build-release fuzz stress

deps:
	@scripts/install-deps.sh

build: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build build -j$(JOBS)

build-asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DNIMBRA_SANITIZE=address,undefined $(CMAKE_FLAGS)
	cmake --build build-asan -j$(JOBS)

build-tsan: deps
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DNIMBRA_SANITIZE=thread $(CMAKE_FLAGS)
	cmake --build build-tsan -j$(JOBS) --target tsan_tests

build-release: deps
	cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DNIMBRA_TESTS=OFF -DNIMBRA_BENCH=ON $(CMAKE_FLAGS)
	cmake --build build-release -j$(JOBS)

# The main job: what a newcomer runs first.
run: build
	scripts/demo.sh build

# Every test: a plain build, then the same tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, then the threaded ones under ThreadSanitizer.
test: build build-asan build-tsan
	ctest --test-dir build --output-on-failure -j$(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir build-asan --output-on-failure -j$(JOBS)
	TSAN_OPTIONS="halt_on_error=1 suppressions=$(CURDIR)/tests/tsan.supp" ctest --test-dir build-tsan --output-on-failure -j$(JOBS) -L threaded --no-tests=ignore

bench: build-release
	scripts/bench.sh build-release

# The fuzzing campaign with clang's libFuzzer: FUZZ_RUNS executions per target (default
# 10 million) or FUZZ_TIME seconds; summary in out/fuzz-summary.txt.
fuzz: deps
	CMAKE_FLAGS="$(CMAKE_FLAGS)" scripts/fuzz.sh

# Crash consistency at full size (10,000 kills, 500 rounds per writer) and a longer
# replay of every fuzz target's corpus.
stress: build
	NIMBRA_STRESS=full build/tests/stress/settings_stress_test
	for t in tests/fuzz/fuzz_*.cpp; do n=$$(basename $$t .cpp); \
	  build/tests/fuzz/$$n --mutations 100000 tests/fuzz/corpus/$${n#fuzz_} || exit 1; done
