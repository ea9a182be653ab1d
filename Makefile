# SPDX-License-Identifier: GPL-3.0-or-later
# Entry points: make run, make test, make check, make lint, make package, make bench, make fuzz,
# make screenshot, make web. Each installs only the Debian packages its own job needs
# (scripts/install-deps PROFILE...).
BUILD   ?= build
CMAKE_FLAGS ?=
ifdef CI
  CMAKE_FLAGS += -DTARVEL_WERROR=ON
endif
JOBS    ?= $(shell nproc)
# The package profiles of scripts/install-deps; each entry point below adds its own.
PROFILES = run

.PHONY: deps configure build run test check test-browsers lint sanitize package bench fuzz screenshot web format format-check clean

# Target-specific values reach the prerequisites too: `make test` installs the test tools
# and configures a build that must have its tests.
test: PROFILES += test lint fuzz web
test-browsers: PROFILES += test web browsers
test-browsers: CMAKE_FLAGS += -DTARVEL_TESTS=ON
lint: PROFILES += lint
sanitize: PROFILES += test fuzz
test: CMAKE_FLAGS += -DTARVEL_TESTS=ON
package: PROFILES += package web
bench: PROFILES += bench
bench: CMAKE_FLAGS += -DTARVEL_BENCH=ON
screenshot: PROFILES += screenshot

deps:
	@scripts/timed deps scripts/install-deps $(PROFILES)

configure: deps
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: configure
	scripts/timed build cmake --build $(BUILD) -j $(JOBS)

run: build
	@BUILD=$(BUILD) scripts/run

# make test: the suite, the style check, the linters over the program's code (make lint also
# covers the tests), the tests of the code without Qt again under ASan and UBSan (make sanitize
# runs them all), and a short run of every fuzz target; each step says how long it took.
CI_FUZZ_SECONDS ?= 10
FUZZ_SECONDS    ?= 300
test: build web
	scripts/timed tests scripts/run-tests $(BUILD)
	@scripts/timed format clang-format --dry-run --Werror $(FORMAT_FILES)
	LINT_SCOPE=program scripts/timed lint scripts/run-lint $(BUILD)
	SANITIZE_SCOPE=core scripts/timed sanitizers scripts/run-sanitized-tests
	FUZZ_SECONDS=$(CI_FUZZ_SECONDS) scripts/timed fuzz scripts/run-fuzz

# The browser runs make test leaves out: the page in all three engines (start, form, send, download,
# a recording checked), every fault of a send in firefox and WebKitGTK,
# checks by listening in a row: 50 in chromium, 5 in firefox, 3 in WebKitGTK (tests/web/CMakeLists.txt).
test-browsers: build web
	scripts/timed browsers ctest --test-dir $(BUILD) --output-on-failure -L browsers_long

# make check: the quick loop of editing, for a tree configured with its tests and built once
# (make test, or by hand): builds what changed and runs the tests labelled unit and window.
check:
	@test -f $(BUILD)/CMakeCache.txt || { echo "make check: no build in $(BUILD); run make test or configure it first"; exit 2; }
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) -L '^(unit|window)$$'

lint: build
	scripts/run-lint $(BUILD)

sanitize: deps
	scripts/run-sanitized-tests

# The package ships the browser edition, so the page is built first; the zip carries it alone.
package: build web
	cd $(BUILD) && cpack -G DEB
	cmake --build $(BUILD) --target web_zip

bench: build
	scripts/run-bench $(BUILD)

fuzz: PROFILES += fuzz
fuzz: deps
	FUZZ_SECONDS=$(FUZZ_SECONDS) scripts/run-fuzz

screenshot: build
	scripts/screenshot $(BUILD)

# The browser edition: $(BUILD)/web/tarvel.html (one file, opens from disk) and $(BUILD)/web/site/.
# Debian's Emscripten ships its system libraries prebuilt; its tools need Debian's acorn, which
# a Node of another origin does not look for by itself.
web: PROFILES += web
web: deps
	NODE_PATH=/usr/share/nodejs emcmake cmake -S web -B $(BUILD)/web-build -G Ninja -DOUT=$(abspath $(BUILD))/web \
	  $(filter -DTARVEL_WERROR=%,$(CMAKE_FLAGS))
	NODE_PATH=/usr/share/nodejs scripts/timed web cmake --build $(BUILD)/web-build -j $(JOBS)

# The code's style (.clang-format): format rewrites, format-check only reports.
FORMAT_FILES = $(shell git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'fuzz/*.cpp' 'scripts/*.cpp' \
  'web/*.cpp' 'web/*.h')
format:
	clang-format -i $(FORMAT_FILES)

format-check:
	clang-format --dry-run --Werror $(FORMAT_FILES)

clean:
	rm -rf $(BUILD) build-asan build-fuzz
