# The two set-up commands: `make run` and `make test`. Both install what is missing first.
# Each build is configured from its preset in CMakePresets.json (release, asan, bench, fuzz),
# which `cmake --preset NAME` and IDEs use as well.
BUILD     ?= build
ASAN_DIR  ?= build-asan
JOBS      ?= $(shell nproc)

.PHONY: run test deps configure build install package asan-test bench fuzz format clean

deps:
	@scripts/install-deps

$(BUILD)/build.ninja: | deps
	@cmake --preset release -B $(BUILD) >/dev/null

configure: deps $(BUILD)/build.ninja

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run-program $(BUILD)/qlxrender

test: build
	@scripts/run-tests $(BUILD)

# Installs the programs, their data and the desktop files under PREFIX (DESTDIR is honoured).
PREFIX ?= /usr/local
install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

# A Debian package of the installed tree (in $(BUILD)/), for `apt install ./quillmar-...deb`.
package: build
	@cd $(BUILD) && cpack -G DEB

# The same suite built with AddressSanitizer and UndefinedBehaviorSanitizer.
asan-test: deps
	@cmake --preset asan -B $(ASAN_DIR) >/dev/null
	@cmake --build $(ASAN_DIR) -j $(JOBS)
	@scripts/run-tests $(ASAN_DIR)

bench: deps
	@cmake --preset bench >/dev/null
	@cmake --build --preset bench -j $(JOBS)
	@scripts/run-bench build-bench

# libFuzzer targets for every reader of outside data, run for FUZZ_SECONDS each (default 60).
fuzz: deps
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -j $(JOBS)
	@scripts/run-fuzz build-fuzz

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_DIR) build-bench build-fuzz
