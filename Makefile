# make       : a release build of the programs into build/release/bin; nothing installed, nothing run
# make run   : dependencies, release build, then a live capture on this machine: palometsrv
#              replays the sample on loopback; with a display the workbench shows it live beside
#              samples/sample.tns, without one palomet-cli captures a few seconds and lists it
# make test  : dependencies, debug build with ASan and UBSan (line tables only: the sanitizers'
#              reports name files and lines), layer check, clang-tidy, all tests, then the
#              threaded code's tests again under ThreadSanitizer (make tsan)
# make tsan  : the tests of the threaded code (rpc/, packetlist/, session/, stats/ and the agent daemon,
#              agentd/, whose listener and snapper table are the most threaded) built with
#              ThreadSanitizer in build/tsan and run, programs they start included (the
#              libraries compiled in batches of files, a unity build, as the packages are)
# make bench : dependencies, release build with benchmarks, run them
# make fuzz  : libFuzzer targets with clang, library code instrumented too (build/fuzz/bin/fuzz_*)
# make deb   : a Release build of the programs alone (Debian's build flags, a unity build), packaged into
#              build/deb/: palomet (workbench, palomet-cli, tables) and palometsrv (the agent)
# make deb-check : make deb, then lint the packages, install them, try what they installed
#              and remove them again (scripts/check-packages.sh; root)
# Every build tree keeps its programs in its own bin/ (build/release/bin, build/debug/bin, ...).

JOBS ?= $(shell nproc)

.PHONY: all release run test tsan bench fuzz deb deb-check deps clean

all: release

deps:
	@bash scripts/install-deps.sh

build/release/build.ninja:
	cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DPALOMET_TESTS=OFF

release: build/release/build.ninja
	cmake --build build/release -j $(JOBS)

# The dependencies first, then the build: make -j must not start them side by side.
run: deps
	$(MAKE) release
	bash scripts/run-demo.sh

test: deps
	cmake -S . -B build/debug -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPALOMET_SANITIZE=ON -DPALOMET_WERROR=ON -DCMAKE_CXX_FLAGS_DEBUG=-g1
	@date '+[%T] test: building'
	cmake --build build/debug -j $(JOBS)
	/usr/bin/python3 scripts/check-layers src
	@date '+[%T] test: linting'
	bash scripts/lint.sh build/debug
	@date '+[%T] test: testing'
	cd build/debug && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j $(JOBS)
	@date '+[%T] test: under ThreadSanitizer'
	$(MAKE) tsan
	@date '+[%T] test: done'

TSAN_TESTS = test_rpc test_packetlist test_session test_agentd test_stats
tsan: deps
	cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPALOMET_TSAN=ON -DPALOMET_GUI=OFF -DCMAKE_CXX_FLAGS_DEBUG=-g1 \
	  -DCMAKE_UNITY_BUILD=ON
	cmake --build build/tsan -j $(JOBS) --target $(TSAN_TESTS) palometsrv palomet-cli
	set -e; for t in $(TSAN_TESTS); do \
	  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" build/tsan/bin/$$t; done

bench: deps
	cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DPALOMET_TESTS=OFF -DPALOMET_BENCH=ON
	cmake --build build/bench -j $(JOBS)
	PALOMET_BIN_DIR=build/bench/bin bash bench/run-all.sh

fuzz: deps
	CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPALOMET_SANITIZE=ON -DPALOMET_FUZZ=ON \
	  -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link
	cmake --build build/fuzz -j $(JOBS)
	@echo "fuzzers: build/fuzz/bin/fuzz_*  (e.g. build/fuzz/bin/fuzz_dns fuzz/dns/corpus -max_total_time=60)"

# Debian's hardening flags at -O2 as its own packages build, without debug information (the
# programs are stripped into the packages anyway).
deb: deps
	DEB_CXXFLAGS_MAINT_STRIP=-g DEB_BUILD_MAINT_OPTIONS=hardening=+all; export DEB_CXXFLAGS_MAINT_STRIP DEB_BUILD_MAINT_OPTIONS; \
	cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release -DPALOMET_TESTS=OFF -DPALOMET_SIMULATED_SERVICES=OFF -DPALOMET_LLD=OFF -DCMAKE_INSTALL_PREFIX=/usr \
	  -DCMAKE_UNITY_BUILD=ON \
	  -DCMAKE_CXX_FLAGS_RELEASE=-DNDEBUG \
	  "-DCMAKE_CXX_FLAGS=$$(dpkg-buildflags --get CPPFLAGS) $$(dpkg-buildflags --get CXXFLAGS)" \
	  "-DCMAKE_EXE_LINKER_FLAGS=$$(dpkg-buildflags --get LDFLAGS)"
	cmake --build build/package -j $(JOBS)
	cd build/package && cpack
	rm -rf build/deb && mkdir -p build/deb && cp build/package/*.deb build/deb/
	@ls -l build/deb

deb-check: deb
	bash scripts/check-packages.sh build/deb

clean:
	rm -rf build
