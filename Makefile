# Two commands for a fresh Debian 12 machine: `make demo` and `make test`.
BUILD        ?= build
FUZZ_BUILD   ?= build-fuzz
JOBS         ?= 2
FUZZ_SECONDS ?= 10
BUILD_TYPE   ?= RelWithDebInfo

.PHONY: all deps build test unit-test fuzz-build fuzz-run fuzz demo bench screenshots clean

all: build

deps:
	@./scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)
	cmake --build $(BUILD) -j$(JOBS)

# Every unit and end-to-end test, then a short run of every fuzz target.
test: unit-test
	$(MAKE) --no-print-directory fuzz-run FUZZ_SECONDS=$(FUZZ_SECONDS)

unit-test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

fuzz-build: deps
	cmake -S . -B $(FUZZ_BUILD) -DQMX_FUZZ=ON -DQMX_FUZZ_SECONDS=$(FUZZ_SECONDS) \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(FUZZ_BUILD) -j$(JOBS)

fuzz-run: fuzz-build
	cd $(FUZZ_BUILD) && ctest --output-on-failure -L fuzz

# A longer fuzzing session.
fuzz:
	$(MAKE) --no-print-directory fuzz-run FUZZ_SECONDS=600

demo: build
	./scripts/demo.sh $(BUILD)

bench: build
	@for b in $(BUILD)/bench/*; do [ -x "$$b" ] && { echo "== $$b"; "$$b" || exit 1; }; done; true

# The README's picture of the display windows, from the demo setup on the
# simulated board (offscreen without a display, real windows under Xvfb).
screenshots: build
	$(BUILD)/bin/displayshots qmxsrv/demo/demo.qmx docs/displays.png

clean:
	rm -rf $(BUILD) $(FUZZ_BUILD)
