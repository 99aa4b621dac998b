# Two commands for a fresh Debian 12 machine: `make demo` and `make test`.
BUILD        ?= build
FUZZ_BUILD   ?= build-fuzz
JOBS         ?= 2
FUZZ_SECONDS ?= 10
BUILD_TYPE   ?= RelWithDebInfo

.PHONY: package all deps build test format-check unit-test sanitize-test fuzz-build fuzz-run fuzz demo bench screenshots clean

all: build

deps:
	@./scripts/install-deps.sh

# Ninja for a new build folder: a build with nothing to do takes a tenth of
# a second, which make demo pays each time. A folder made before keeps its
# generator; once generated, the build configures itself again when a
# CMakeLists.txt changes (a configure that failed left no build file, and
# runs again).
build: deps
	@[ -f $(BUILD)/build.ninja ] || [ -f $(BUILD)/Makefile ] || \
	  cmake -S . -B $(BUILD) $(if $(wildcard $(BUILD)/CMakeCache.txt),,-G Ninja) \
	    -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)
	cmake --build $(BUILD) -j$(JOBS)

# The format check, every unit and end-to-end test (GCC, warnings as errors),
# then the same tests under ASan and UBSan in the clang build (also warnings
# as errors) and a short run of every fuzz target.
test: format-check unit-test sanitize-test
	$(MAKE) --no-print-directory fuzz-run FUZZ_SECONDS=$(FUZZ_SECONDS)

# Every tracked C and C++ file as .clang-format has it.
format-check: deps
	git ls-files -z '*.c' '*.h' '*.cpp' '*.hpp' | xargs -0 clang-format --dry-run --Werror

unit-test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

fuzz-build: deps
	cmake -S . -B $(FUZZ_BUILD) $(if $(wildcard $(FUZZ_BUILD)/CMakeCache.txt),,-G Ninja) -DQMX_FUZZ=ON -DQMX_FUZZ_SECONDS=$(FUZZ_SECONDS) \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(FUZZ_BUILD) -j$(JOBS)

# The unit tests built with clang under ASan and UBSan: any report fails its test.
sanitize-test: fuzz-build
	cd $(FUZZ_BUILD) && ctest --output-on-failure -j$(JOBS) -LE fuzz

fuzz-run: fuzz-build
	cd $(FUZZ_BUILD) && ctest --output-on-failure -L fuzz

# A longer fuzzing session.
fuzz:
	$(MAKE) --no-print-directory fuzz-run FUZZ_SECONDS=600

demo: build
	./scripts/demo.sh $(BUILD)

package: build
	cd $(BUILD) && cpack -G DEB

bench: build
	@for b in $(BUILD)/bench/*; do [ -x "$$b" ] && { echo "== $$b"; "$$b" || exit 1; }; done; true

# The README's picture of the display windows, from the demo setup on the
# simulated board (offscreen without a display, real windows under Xvfb).
screenshots: build
	$(BUILD)/bin/displayshots qmxsrv/demo/demo.qmx docs/displays.png
	$(BUILD)/bin/displayshots --results qmxsrv/demo/demo.qmx docs/results.png

clean:
	rm -rf $(BUILD) $(FUZZ_BUILD)
