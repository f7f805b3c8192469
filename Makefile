# What people type. Each target installs the Debian packages it needs first.
BUILD ?= build
CMAKE_FLAGS ?=

PREFIX ?= /usr/local
FUZZ_SECONDS ?= 60

.PHONY: run test bench fuzz locks deps configure build install uninstall deb clean

# Builds the program alone (not the tests), then starts it.
run: configure
	cmake --build $(BUILD) --target gauzel
	./$(BUILD)/gauzel

test: build
	cd $(BUILD) && ctest --output-on-failure

bench:
	bash scripts/install-deps.sh bench
	cmake -S . -B $(BUILD)-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DGAUZEL_BENCH=ON -DBUILD_TESTING=OFF
	cmake --build $(BUILD)-bench
	./$(BUILD)-bench/bench/scan_bench $(BUILD)-bench/bench-trees
	./$(BUILD)-bench/bench/kind_bench /usr
	bash bench/paint_bench.sh $(BUILD)-bench/bench-trees/wide $(BUILD)-bench/gauzel $(BUILD)-bench/gauzel-report

# Each fuzz target for FUZZ_SECONDS, from the seed corpus in tests/fuzz/corpus (clang, libFuzzer).
fuzz:
	bash scripts/install-deps.sh fuzz
	cmake -S . -B $(BUILD)-fuzz -G Ninja -DGAUZEL_FUZZ=ON -DBUILD_TESTING=OFF -DCMAKE_CXX_COMPILER=clang++-14
	cmake --build $(BUILD)-fuzz --target gauzel_fuzz_ini gauzel_fuzz_drives gauzel_fuzz_saved
	for target in ini drives saved; do \
	  mkdir -p $(BUILD)-fuzz/corpus-$$target && \
	  ./$(BUILD)-fuzz/tests/fuzz/gauzel_fuzz_$$target -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	    $(BUILD)-fuzz/corpus-$$target tests/fuzz/corpus/$$target || exit 1; \
	done

# The core and the platform layer with clang's thread-safety analysis: every member a mutex
# guards is touched only with it held (a build only).
locks:
	bash scripts/install-deps.sh fuzz
	cmake -S . -B $(BUILD)-locks -G Ninja -DGAUZEL_GUI=OFF -DBUILD_TESTING=OFF -DCMAKE_CXX_COMPILER=clang++-14 \
	  -DCMAKE_CXX_FLAGS="-Wthread-safety -Werror"
	cmake --build $(BUILD)-locks --target gauzel_core gauzel_platform

deps:
	bash scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD)

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# A Debian package of the release build: $(BUILD)-deb/gauzel_<version>_<arch>.deb.
deb: deps
	cmake -S . -B $(BUILD)-deb -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
	cmake --build $(BUILD)-deb
	cd $(BUILD)-deb && cpack -G DEB

uninstall:
	cmake -DBUILD_DIR=$(BUILD) -DPREFIX=$(PREFIX) -P cmake/uninstall.cmake

clean:
	rm -rf $(BUILD) $(BUILD)-deb $(BUILD)-bench $(BUILD)-sanitize $(BUILD)-fuzz $(BUILD)-tsan $(BUILD)-headless
