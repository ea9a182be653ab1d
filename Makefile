# Entry points: make run, make test, make bench, make fuzz, make screenshot.
BUILD   ?= build
CMAKE_FLAGS ?=
ifdef CI
  CMAKE_FLAGS += -DTARVEL_WERROR=ON
endif
JOBS    ?= $(shell nproc)

.PHONY: deps configure build run test bench fuzz screenshot format format-check clean

deps:
	@scripts/install-deps

$(BUILD)/build.ninja: CMakeLists.txt
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

configure: deps
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run

test: build
	scripts/run-tests $(BUILD)

bench: build
	scripts/run-bench $(BUILD)

fuzz: deps
	scripts/run-fuzz

screenshot: build
	scripts/screenshot $(BUILD)

# The code's style (.clang-format): format rewrites, format-check only reports.
FORMAT_FILES = $(shell git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'fuzz/*.cpp' 'scripts/*.cpp')
format:
	clang-format -i $(FORMAT_FILES)

format-check:
	clang-format --dry-run --Werror $(FORMAT_FILES)

clean:
	rm -rf $(BUILD) build-fuzz
