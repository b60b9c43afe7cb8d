# Entry points: `make run` and `make test`. Everything else is a helper of those two.
BUILD        ?= build
BUILD_ASAN   ?= build-asan
BUILD_TSAN   ?= build-tsan
JOBS         ?= 2
FILES        ?=
FUZZ_SECONDS ?= 60
CMAKE_FLAGS  ?=

export QT_QPA_PLATFORM_TEST = offscreen

.PHONY: all deps configure build test test-sanitize test-tsan run pictures bench bench-baseline stress fuzz clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j$(JOBS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

# The same tests built with AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: deps
	cmake -S . -B $(BUILD_ASAN) -DCMAKE_BUILD_TYPE=Debug -DMIRT_SANITIZE=ON -DMIRT_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(BUILD_ASAN) -j$(JOBS)
	cd $(BUILD_ASAN) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j$(JOBS)

# The same tests built with ThreadSanitizer; any report fails the test.
# Optimised with debug information: faster to build and run than Debug, and
# reports still name file and line. tests/tsan.supp says what is suppressed
# and why.
test-tsan: deps
	cmake -S . -B $(BUILD_TSAN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMIRT_TSAN=ON -DMIRT_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(BUILD_TSAN) -j$(JOBS)
	cd $(BUILD_TSAN) && QT_QPA_PLATFORM=offscreen \
	  TSAN_OPTIONS=suppressions=$(CURDIR)/tests/tsan.supp:halt_on_error=1:second_deadlock_stack=1:report_signal_unsafe=0 \
	  ctest --output-on-failure -j$(JOBS)

# Builds the program alone (the tests wait for `make test`).
run: configure
	cmake --build $(BUILD) -j$(JOBS) --target MirtLogFileAnalyzer screengrab
	@scripts/run.sh $(BUILD) $(FILES)

# The README's pictures, made anew from the program, offscreen.
pictures: configure
	cmake --build $(BUILD) -j$(JOBS) --target docpictures
	QT_QPA_PLATFORM=offscreen $(BUILD)/bin/docpictures docs

bench: build
	@scripts/bench.sh $(BUILD)

# The window benchmark against the build before background loading.
bench-baseline: deps
	@scripts/bench-baseline.sh

stress: build
	@scripts/stress.sh $(BUILD)

fuzz:
	@MIRT_FUZZ_DEPS=1 scripts/install-deps.sh
	@FUZZ_SECONDS=$(FUZZ_SECONDS) scripts/fuzz.sh

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_TSAN) build-fuzz build-baseline
