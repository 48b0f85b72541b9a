# The two commands a new user needs:
#   make run    set up, build and start the editor
#   make test   set up, build and run every test
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
ARGS ?=
PREFIX ?= /usr/local

.PHONY: setup configure build run test sanitize crash-soak bench format format-check install package

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

bench: build
	for b in $(BUILD)/bench_*; do $$b --benchmark_repetitions=5 --benchmark_report_aggregates_only=true; done

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

# Fails when a source file is not formatted as .clang-format says.
format-check: setup
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
