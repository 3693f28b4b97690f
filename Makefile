# Two commands do everything on a fresh Debian 12 or 13 machine, in either order: `make run` and
# `make test` install what they need, build into build/ and run. `make` alone only builds.
# SANITIZE=1 builds into build-sanitize with AddressSanitizer and UBSan and tests that build.
# `make fuzz` fuzzes the image decoder for FUZZ_SECONDS under libFuzzer, ASan and UBSan (build-fuzz).
# `make windows` cross-builds kivo_model.exe and its zip into build-windows; `make test-windows`
# checks its resources and tests it under Wine. `make package` builds the Debian package into
# build-package, `make check-package` also checks it with lintian and the validators.
ifeq ($(SANITIZE),1)
BUILD_DIR ?= build-sanitize
CMAKE_FLAGS += -DKIVO_SANITIZE=ON
else
BUILD_DIR ?= build
endif
JOBS ?= $(shell nproc)
SOAK_SECONDS ?= 600
FUZZ_SECONDS ?= 300
FUZZ_DIR := build-fuzz

.PHONY: all build deps test-deps run screenshot test bench soak fuzz images check-images \
	fresh-check clean windows test-windows web test-web web-screenshot web-screenshot-phone \
	package check-package

all: build

deps:
	@tools/install-deps

test-deps:
	@tools/install-deps --test

# Configures on every build, so a later command picks up what an earlier one installed; a failed
# configure leaves no cache behind to stand in the way of the next.
build:
	cmake -S . -B $(BUILD_DIR) -DKIVO_BENCH=OFF $(CMAKE_FLAGS) || { rm -rf $(BUILD_DIR)/CMakeCache.txt $(BUILD_DIR)/CMakeFiles; exit 1; }
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: deps
	@$(MAKE) --no-print-directory build
	tools/run-viewer $(BUILD_DIR)

screenshot: deps
	@$(MAKE) --no-print-directory build
	tools/run-viewer --headless --screenshot docs/screenshot.png $(BUILD_DIR)

test: test-deps
	@$(MAKE) --no-print-directory build CMAKE_FLAGS="$(CMAKE_FLAGS) -DBUILD_TESTING=ON -DKIVO_REQUIRE_TESTS=ON"
	ctest --test-dir $(BUILD_DIR) --output-on-failure

bench: test-deps
	@$(MAKE) --no-print-directory build CMAKE_FLAGS="$(CMAKE_FLAGS) -DKIVO_BENCH=ON"
	/usr/bin/python3 bench/run_bench.py --build-dir $(BUILD_DIR) $(if $(QUICK),--quick)

soak: test-deps
	@$(MAKE) --no-print-directory build
	/usr/bin/python3 tests/soak/soak.py --build-dir $(BUILD_DIR) --seconds $(SOAK_SECONDS)

# Seeds from tests/fuzz/fuzz-seeds; new inputs collect in $(FUZZ_DIR)/corpus across runs; a crash
# leaves its input in $(FUZZ_DIR).
fuzz: test-deps
	@tools/install-deps --extra=clang
	@tools/install-deps --extra="libclang-rt-$$(dpkg-query -W -f='$${Version}' clang | sed 's/^[0-9]*://; s/[.].*//')-dev"
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -DKIVO_FUZZ=ON
	cmake --build $(FUZZ_DIR) --target image_fuzz -j $(JOBS)
	tests/fuzz/fuzz-seeds $(FUZZ_DIR)/seeds && mkdir -p $(FUZZ_DIR)/corpus
	cd $(FUZZ_DIR) && tests/image_fuzz -max_total_time=$(FUZZ_SECONDS) corpus seeds

images: deps
	@tools/install-deps --extra=xplanet-images
	@$(MAKE) --no-print-directory build
	cmake --build $(BUILD_DIR) --target images

# The image tool regenerates the maps into the build tree: the Sun and the Moon, made from seeded
# noise, byte for byte as in res/; the Earth, filtered from Debian's xplanet-images, only made.
check-images: deps
	@tools/install-deps --extra=xplanet-images
	@$(MAKE) --no-print-directory build
	cmake --build $(BUILD_DIR) --target planet_images
	rm -rf $(BUILD_DIR)/images && mkdir $(BUILD_DIR)/images
	$(BUILD_DIR)/tools/planet_images $(BUILD_DIR)/images /usr/share/xplanet/images/earth.jpg
	cmp res/sun.bmp $(BUILD_DIR)/images/sun.bmp && cmp res/moon.bmp $(BUILD_DIR)/images/moon.bmp
	test -s $(BUILD_DIR)/images/earth.bmp

# The Debian package, build-package/kivo-model_<version>_<arch>.deb, built by debhelper from a copy
# of the tree (the build writes its results beside the source); check-package runs lintian on it
# and the desktop entry's and the metainfo's validators on what it installs.
PKG_DIR := build-package
PKG_ROOT := $(PKG_DIR)/kivo-model/debian/kivo-model
package:
	@tools/install-deps --extra="build-essential debhelper dpkg-dev librsvg2-bin"
	rm -rf $(PKG_DIR) && mkdir -p $(PKG_DIR)/kivo-model
	tar -c --exclude-vcs --exclude='./build*' --exclude=__pycache__ . | tar -x -C $(PKG_DIR)/kivo-model
	cd $(PKG_DIR)/kivo-model && dpkg-buildpackage -b -us -uc -j$(JOBS)

check-package: package
	@tools/install-deps --extra="lintian desktop-file-utils appstream"
	lintian --fail-on error,warning $(PKG_DIR)/kivo-model_*.changes
	desktop-file-validate $(PKG_ROOT)/usr/share/applications/*.desktop
	appstreamcli validate --no-net $(PKG_ROOT)/usr/share/metainfo/*.xml

# Cross-built with the MinGW toolchain file against the static GLFW that tools/windows-deps puts
# into build-windows; the build packs the zip as well.
WIN_DIR := $(CURDIR)/build-windows
windows:
	@tools/install-deps --extra="g++-mingw-w64-x86-64-posix dpkg-dev librsvg2-bin icoutils"
	JOBS=$(JOBS) tools/windows-deps $(WIN_DIR)
	cmake -S . -B $(WIN_DIR) -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64.cmake \
	-DBUILD_TESTING=OFF -Dglfw3_DIR=$(WIN_DIR)/glfw/lib/cmake/glfw3
	cmake --build $(WIN_DIR) -j $(JOBS)

# The Windows test and the Linux suite's broken run directories, on the .exe under Wine on a
# private Xvfb. The prefix lives in build-windows: made without a display, then Wine is ended so
# that the tests start it afresh on their Xvfb; what Wine leaves running ends with the tests.
WINE_ENV := WINEPREFIX=$(WIN_DIR)/wine-prefix WINEDEBUG=-all \
	WINEDLLOVERRIDES="winemenubuilder.exe,mscoree,mshtml="
test-windows: windows
	@tools/install-deps --extra="wine wine64 xdotool imagemagick python3-pil icoutils"
	env -u DISPLAY $(WINE_ENV) wineboot --init && $(WINE_ENV) wineserver -k
	cd tests/e2e && $(WINE_ENV) KIVO_BUILD_DIR=$(WIN_DIR) PYTHONPATH=../windows \
	PYTHONDONTWRITEBYTECODE=1 /usr/bin/python3 -m unittest -v test_wine \
	test_viewer.EnvironmentsTest.test_broken_run_directories; \
	status=$$?; $(WINE_ENV) wineserver -k; exit $$status

# The browser page, build-web/index.html, one self-contained file built by Emscripten; test-web
# drives it in Chromium, Firefox and WebKitGTK (KIVO_WEB_ENGINES=... for fewer). Debian's emcc
# needs Debian's node modules (whichever node runs it) and Debian's Python.
WEB_ENV := NODE_PATH=/usr/share/nodejs EMSDK_PYTHON=/usr/bin/python3

web:
	@tools/install-deps --extra="emscripten webp librsvg2-bin"
	$(WEB_ENV) emcmake cmake -S . -B build-web -DCMAKE_BUILD_TYPE=Release || { rm -rf build-web/CMakeCache.txt build-web/CMakeFiles; exit 1; }
	$(WEB_ENV) cmake --build build-web -j $(JOBS)

# Chromium and its WebDriver server, which both the tests and the screenshot drive.
WEB_CHROMIUM := chromium chromium-driver python3-selenium
test-web: web
	@tools/install-deps --extra="$(WEB_CHROMIUM) firefox-esr python3-websocket webkit2gtk-driver \
	imagemagick python3-pil"
	PYTHONDONTWRITEBYTECODE=1 /usr/bin/python3 -m unittest -v tests/web/test_page.py

web-screenshot: web
	@tools/install-deps --extra="$(WEB_CHROMIUM)"
	/usr/bin/python3 tools/web-screenshot build-web/index.html docs/web-screenshot.png

# The same on an upright phone (390 x 844 CSS pixels at a ratio of 3), in Chromium's emulation.
web-screenshot-phone: web
	@tools/install-deps --extra="$(WEB_CHROMIUM)"
	/usr/bin/python3 tools/web-screenshot --phone build-web/index.html docs/web-screenshot-phone.png

# Fresh minimal Debian systems (RELEASE=bookworm or trixie, default both) clone the committed HEAD
# and run a headless make run, make test and make run again, trixie then make web, whose page comes
# out at build-web-trixie/index.html; needs root and the mirror apt uses.
fresh-check:
	tests/fresh/fresh-check $(RELEASE)

clean:
	rm -rf build build-sanitize build-fuzz build-windows build-web build-web-trixie build-package
