# What people type. Each target installs the Debian packages it needs first.
BUILD ?= build
CMAKE_FLAGS ?=

PREFIX ?= /usr/local

.PHONY: run test bench deps build install uninstall clean

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

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

uninstall:
	cmake -DBUILD_DIR=$(BUILD) -DPREFIX=$(PREFIX) -P cmake/uninstall.cmake

clean:
	rm -rf $(BUILD) $(BUILD)-bench $(BUILD)-sanitize
