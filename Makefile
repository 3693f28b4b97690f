# Two commands do everything on a fresh Debian 12 machine: `make run` and `make test`.
# SANITIZE=1 builds into build-sanitize with AddressSanitizer and UBSan and tests that build.
ifeq ($(SANITIZE),1)
BUILD_DIR ?= build-sanitize
CMAKE_FLAGS += -DKIVO_SANITIZE=ON
else
BUILD_DIR ?= build
endif
JOBS ?= $(shell nproc)
SOAK_SECONDS ?= 600

.PHONY: all build deps test-deps run screenshot test bench soak images clean

all: build

deps:
	@tools/install-deps

test-deps:
	@tools/install-deps --test

$(BUILD_DIR)/CMakeCache.txt:
	cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS)

build: deps $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	tools/run-viewer $(BUILD_DIR)

screenshot: build
	tools/run-viewer --headless --screenshot docs/screenshot.png $(BUILD_DIR)

test: test-deps
	@$(MAKE) --no-print-directory build
	ctest --test-dir $(BUILD_DIR) --output-on-failure

bench: test-deps
	@$(MAKE) --no-print-directory build
	/usr/bin/python3 bench/run_bench.py --build-dir $(BUILD_DIR) $(if $(QUICK),--quick)

soak: test-deps
	@$(MAKE) --no-print-directory build
	/usr/bin/python3 tests/soak/soak.py --build-dir $(BUILD_DIR) --seconds $(SOAK_SECONDS)

images:
	@tools/install-deps --extra=xplanet-images
	@$(MAKE) --no-print-directory build
	cmake --build $(BUILD_DIR) --target images

clean:
	rm -rf build build-sanitize
