# The two set-up commands: `make run` and `make test`. Both install what is missing first.
BUILD     ?= build
ASAN_DIR  ?= build-asan
JOBS      ?= $(shell nproc)
CMAKE_GEN  = -G Ninja

.PHONY: run test deps configure build asan-test bench fuzz format clean

deps:
	@scripts/install-deps

$(BUILD)/build.ninja: | deps
	@cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

configure: deps $(BUILD)/build.ninja

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run-program $(BUILD)/qlxrender

test: build
	@scripts/run-tests $(BUILD)

# The same suite built with AddressSanitizer and UndefinedBehaviorSanitizer.
asan-test: deps
	@cmake -S . -B $(ASAN_DIR) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DQLX_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN_DIR) -j $(JOBS)
	@scripts/run-tests $(ASAN_DIR)

bench: deps
	@cmake -S . -B build-bench $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DQLX_BENCH=ON >/dev/null
	@cmake --build build-bench -j $(JOBS)
	@scripts/run-bench build-bench

# libFuzzer targets for the metafile readers (clang, AddressSanitizer, UBSan), each run for
# FUZZ_SECONDS over its seed corpus.
FUZZ_SECONDS ?= 60
FUZZ_SRCS  = $(wildcard src/report/Emf*.cpp src/report/Wmf*.cpp src/report/Metafile*.cpp) \
             src/stores/Windows1252.cpp
FUZZ_FLAGS = -std=c++17 -g -O1 -fPIC -fsanitize=fuzzer,address,undefined -Isrc \
             $(shell pkg-config --cflags Qt6Gui)

fuzz: deps
	@mkdir -p build-fuzz/corpus-emf build-fuzz/corpus-wmf
	clang++ $(FUZZ_FLAGS) fuzz/fuzz_emf.cpp $(FUZZ_SRCS) -o build-fuzz/fuzz_emf $(shell pkg-config --libs Qt6Gui)
	clang++ $(FUZZ_FLAGS) fuzz/fuzz_wmf.cpp $(FUZZ_SRCS) -o build-fuzz/fuzz_wmf $(shell pkg-config --libs Qt6Gui)
	LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp build-fuzz/fuzz_emf -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=2048 build-fuzz/corpus-emf fuzz/corpus/emf
	LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp build-fuzz/fuzz_wmf -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=2048 build-fuzz/corpus-wmf fuzz/corpus/wmf

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_DIR) build-bench build-fuzz
