# The front door. `make play` and `make test` work on a fresh Debian 12 machine.
BUILD      ?= build
ASAN_BUILD ?= build-asan
BENCH_BUILD ?= build-bench
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)
DIR        ?= $(BUILD)/assets
ARGS       ?=
FUZZ_SECONDS ?= 60
FUZZ_TARGETS = bitmap palette wave voice
WIN_BUILD  ?= build-windows
WIN_NATIVE  = $(WIN_BUILD)/native

.PHONY: all deps build assets play test test-fast test-asan bench format soak fuzz clean \
        windows test-windows

all: build

deps:
	@scripts/install-deps

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQENT_WERROR=ON

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)
	@ln -sf $(BUILD)/compile_commands.json compile_commands.json  # for editors and linters

# The nine asset files, made by our own generator (DIR=... writes them elsewhere).
assets: build
	$(BUILD)/make_assets $(DIR)

play: build
	cd $(BUILD)/assets && ../qent $(ARGS)

# Every test: unit, scenario, style and end-to-end, then again under ASan + UBSan.
test: test-fast test-asan

test-fast: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DQENT_SANITIZE=ON -DQENT_WERROR=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j $(JOBS) -E '^(e2e|style)\.'

bench:
	@scripts/install-deps bench
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DQENT_BENCH=ON -DQENT_TESTS=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target qent_bench
	$(BENCH_BUILD)/bench/qent_bench

# 200,000 frames of random play under AddressSanitizer, invariants checked every frame.
soak: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DQENT_SANITIZE=ON -DQENT_WERROR=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS) --target soak_test make_assets
	cd $(ASAN_BUILD)/tests && QENT_SOAK_FRAMES=200000 ./soak_test

# Each fuzzer for FUZZ_SECONDS (default 60); crash files land in $(FUZZ_BUILD)/crashes/.
fuzz:
	@scripts/install-deps fuzz
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DQENT_FUZZ=ON -DQENT_TESTS=OFF -DQENT_WERROR=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzzers
	@for t in $(FUZZ_TARGETS); do \
	    mkdir -p $(FUZZ_BUILD)/corpus/$$t $(FUZZ_BUILD)/crashes/$$t; \
	    cp -n fuzz/corpus/$$t/* $(FUZZ_BUILD)/corpus/$$t/; \
	    echo "== $$t for $(FUZZ_SECONDS) s"; \
	    $(FUZZ_BUILD)/fuzz/$${t}_fuzz -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	        -artifact_prefix=$(FUZZ_BUILD)/crashes/$$t/ $(FUZZ_BUILD)/corpus/$$t || exit 1; \
	done

# qent.exe cross-built for Windows, its tests, and dist/qent-<version>-windows.zip. The asset
# pack and the icon are made by a small native build of the generators.
windows:
	@scripts/install-deps windows
	cmake -S . -B $(WIN_NATIVE) -DCMAKE_BUILD_TYPE=Release -DQENT_DEVICE=none -DQENT_TESTS=OFF \
	    -DQENT_EXAMPLES=OFF
	cmake --build $(WIN_NATIVE) -j $(JOBS) --target make_assets make_icon
	$(WIN_NATIVE)/make_assets $(WIN_BUILD)/assets
	$(WIN_NATIVE)/make_icon $(WIN_BUILD)/assets/Scanning.BMP 64 $(WIN_BUILD)/qent.ico
	cmake -S . -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	    -DQENT_DEVICE=win32 -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQENT_WERROR=ON \
	    -DQENT_ASSET_DIR=$(abspath $(WIN_BUILD)/assets) -DQENT_ICON=$(abspath $(WIN_BUILD)/qent.ico)
	cmake --build $(WIN_BUILD) -j $(JOBS)
	cmake --build $(WIN_BUILD) --target windows_zip

# The Windows build under Wine in a fresh prefix: the unit and scenario tests, then qent.exe
# from the zip under Xvfb.
test-windows: windows
	@scripts/install-deps wine
	scripts/test-windows $(WIN_BUILD)

format:
	clang-format -i $$(git ls-files -co --exclude-standard -- '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD) $(FUZZ_BUILD) $(WIN_BUILD)
