# Entry points: `make run` and `make test`. Everything else is a helper of those two.
BUILD        ?= build
BUILD_ASAN   ?= build-asan
JOBS         ?= 2
FILES        ?=
FUZZ_SECONDS ?= 60
CMAKE_FLAGS  ?=

export QT_QPA_PLATFORM_TEST = offscreen

.PHONY: all deps configure build test test-sanitize run bench bench-baseline stress fuzz clean

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

run: build
	@scripts/run.sh $(BUILD) $(FILES)

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
	rm -rf $(BUILD) $(BUILD_ASAN) build-fuzz build-baseline
