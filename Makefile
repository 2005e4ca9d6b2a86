# One-command entry points: `make run` and `make test` install what is missing,
# build, and run. Everything else is CMake.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
GENERATOR  := $(if $(shell command -v ninja 2>/dev/null),-G Ninja,)

# Tests and benchmarks need an X server; a virtual one when there is no display.
XRUN := scripts/with-display

.PHONY: all deps build run test test-asan bench screenshots clean

all: build

deps:
	@scripts/install-deps

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/viz

test: build
	$(XRUN) ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The same tests with AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DVIZ_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
	  $(XRUN) ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

bench: build
	$(XRUN) $(BUILD)/bench/viz_bench

# One PNG of each screen, from the real program on the demo songs, into docs/.
screenshots: build
	$(XRUN) tools/take-screenshots.sh $(BUILD) docs

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
