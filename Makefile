# The two commands a new user needs:
#   make run    set up, build and start the editor
#   make test   set up, build and run every test
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
ARGS ?=
PREFIX ?= /usr/local

.PHONY: setup configure build run test sanitize tsan fuzz-build fuzz fuzz-soak crash-soak \
    bench format format-check install package

setup:
	scripts/setup

configure: setup
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_ARGS)

build: configure
	cmake --build $(BUILD)

run: build
	$(BUILD)/pixello $(ARGS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j2 --timeout 300

# Installs the program, its resources, desktop entry, icons, metadata and manual page
# under PREFIX (default /usr/local); DESTDIR stages the tree elsewhere.
install: build
	DESTDIR=$(DESTDIR) cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package, in $(BUILD)/package/.
package: build
	cd $(BUILD) && cpack -G DEB

# The whole suite under AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize:
	$(MAKE) test BUILD=build-sanitize BUILD_TYPE=Debug \
	    CMAKE_ARGS="-DPIXELLO_SANITIZE=ON -DPIXELLO_BUILD_BENCHMARKS=OFF"

# The editor killed KILLS times in each of the ten shards of the crash-consistency test
# (the suite kills it five times in each).
KILLS ?= 100
crash-soak: build
	cd $(BUILD) && PIXELLO_CRASH_KILLS=$(KILLS) ./tests_e2e --gtest_filter='*CrashConsistency*'

# The whole suite under ThreadSanitizer (see tests/tsan.supp for what it is told to ignore).
tsan:
	TSAN_OPTIONS="suppressions=$(CURDIR)/tests/tsan.supp halt_on_error=1 second_deadlock_stack=1" \
	    $(MAKE) test BUILD=build-tsan BUILD_TYPE=RelWithDebInfo \
	    CMAKE_ARGS="-DPIXELLO_TSAN=ON -DPIXELLO_BUILD_BENCHMARKS=OFF"

# libFuzzer programs built with Debian's clang 19, the product libraries instrumented too;
# each writes its seed corpus into build-fuzz/corpus/NAME as it is built.
FUZZ_BUILD ?= build-fuzz
fuzz-build: setup
	CC=clang-19 CXX=clang++-19 cmake -S . -B $(FUZZ_BUILD) -G Ninja \
	    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPIXELLO_FUZZ=ON -DPIXELLO_BUILD_BENCHMARKS=OFF
	cmake --build $(FUZZ_BUILD) --target pixello_fuzz_targets

# Every fuzz target for 60 seconds, two at a time, from the same first mutations on every
# machine, so that what one run finds another finds too.
fuzz: fuzz-build
	FUZZ_SEED=1 scripts/fuzz $(FUZZ_BUILD) 60

# Every fuzz target for FUZZ_SECONDS (default an hour), two at a time.
FUZZ_SECONDS ?= 3600
fuzz-soak: fuzz-build
	scripts/fuzz $(FUZZ_BUILD) $(FUZZ_SECONDS)

bench: build
	for b in $(BUILD)/bench_*; do $$b --benchmark_repetitions=5 --benchmark_report_aggregates_only=true; done

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

# Fails when a source file is not formatted as .clang-format says.
format-check: setup
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
