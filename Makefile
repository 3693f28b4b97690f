# Two commands do everything on a fresh Debian 12 machine: `make run` and `make test`.
BUILD_DIR ?= build
SAN_BUILD_DIR ?= build-sanitize
JOBS ?= $(shell nproc)

.PHONY: all build deps test-deps configure run screenshot test images clean

all: build

deps:
	@tools/install-deps

test-deps:
	@tools/install-deps --test

$(BUILD_DIR)/CMakeCache.txt:
	cmake -S . -B $(BUILD_DIR)

build: deps $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: deps
	@$(MAKE) --no-print-directory build
	tools/run-viewer $(BUILD_DIR)

screenshot: deps
	@$(MAKE) --no-print-directory build
	tools/run-viewer --headless --screenshot docs/screenshot.png $(BUILD_DIR)

test: test-deps
	@$(MAKE) --no-print-directory build
	ctest --test-dir $(BUILD_DIR) --output-on-failure

images:
	@tools/install-deps --extra=xplanet-images
	@$(MAKE) --no-print-directory build
	cmake --build $(BUILD_DIR) --target images

clean:
	rm -rf $(BUILD_DIR) $(SAN_BUILD_DIR)
