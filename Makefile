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

.PHONY: all deps build assets play test test-fast test-asan bench format soak fuzz clean \
        web test-web clean-web

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

# The browser page: build-web/ holds index.html, the script, the wasm and the assets, ready
# for any static web server (python3 -m http.server --bind 127.0.0.1 -d build-web).
web:
	JOBS=$(JOBS) scripts/web-build

# The wasm unit tests under node, then the page played in headless Chromium.
test-web:
	JOBS=$(JOBS) scripts/web-test

clean-web:
	rm -rf build-web build-wasm build-web-tools build-web-test

format:
	clang-format -i $$(git ls-files -co --exclude-standard -- '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD) $(FUZZ_BUILD)
