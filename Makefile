# What people type. Each target installs the Debian packages it needs first.
BUILD ?= build
CMAKE_FLAGS ?=

.PHONY: run test bench deps build clean

run: build
	./$(BUILD)/gauzel

test: build
	cd $(BUILD) && ctest --output-on-failure

bench: deps
	cmake -S . -B $(BUILD)-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DGAUZEL_BENCH=ON -DBUILD_TESTING=OFF
	cmake --build $(BUILD)-bench
	./$(BUILD)-bench/bench/scan_bench $(BUILD)-bench/bench-trees

deps:
	bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)
	cmake --build $(BUILD)

clean:
	rm -rf $(BUILD) $(BUILD)-bench $(BUILD)-sanitize
