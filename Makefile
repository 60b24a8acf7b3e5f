# make run   : dependencies, release build, then list the bundled sample trace decoded
# make test  : dependencies, debug build with ASan and UBSan, layer check, all tests
# make bench : dependencies, release build with benchmarks, run them
# make fuzz  : libFuzzer targets with clang (build/fuzz/)

JOBS ?= $(shell nproc)
SHARED ?= ../shared

.PHONY: all run test bench fuzz deps clean

all: run

deps:
	@bash scripts/install-deps.sh

build/release/build.ninja: | deps
	cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DPALOMET_TESTS=OFF

run: deps build/release/build.ninja
	cmake --build build/release -j $(JOBS)
	./build/bin/palomet-cli list samples/sample.tns

test: deps
	cmake -S . -B build/debug -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPALOMET_SANITIZE=ON -DPALOMET_WERROR=ON
	cmake --build build/debug -j $(JOBS)
	@if [ -x $(SHARED)/tools/check-layers ]; then $(SHARED)/tools/check-layers src; fi
	cd build/debug && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DPALOMET_TESTS=OFF -DPALOMET_BENCH=ON
	cmake --build build/bench -j $(JOBS)
	bash bench/run-all.sh

fuzz: deps
	CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPALOMET_SANITIZE=ON -DPALOMET_FUZZ=ON
	cmake --build build/fuzz -j $(JOBS)

clean:
	rm -rf build
