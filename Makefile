# Quick start: `make run` opens the emulator, `make test` runs every test.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

PREFIX ?= /usr/local

.PHONY: all deps build run test bench bench-compare fuzz install package clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: build
	cd $(BUILD)/run && ../quarv $(ARGS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# A Debian package of the program, its core and files, in $(BUILD)/.
package: build
	cd $(BUILD) && cpack

bench: deps
	cmake -S . -B $(BUILD)-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUARV_TESTS=OFF -DQUARV_LIBRETRO=OFF
	cmake --build $(BUILD)-bench -j $(JOBS)
	for b in $(BUILD)-bench/bench/bench_*; do $$b; done

# Side by side with another commit: make bench-compare BASE=<commit> (see DEVELOPERS.md).
bench-compare: deps
	@tools/bench_compare.sh $(BASE)

fuzz:
	QUARV_WITH_CLANG=1 scripts/install-deps.sh
	CC=clang CXX=clang++ cmake -S . -B $(BUILD)-fuzz -G Ninja -DQUARV_FUZZ=ON
	cmake --build $(BUILD)-fuzz -j $(JOBS)
	@echo "Fuzz targets in $(BUILD)-fuzz/fuzz; see README.md for how to run them."

clean:
	rm -rf $(BUILD) $(BUILD)-bench $(BUILD)-fuzz $(BUILD)-asan build-compare
