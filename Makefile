# The front door. `make play` and `make test` work on a fresh Debian 12 machine; each target
# installs only the packages its job needs (scripts/install-deps).
PLAY_BUILD ?= build-play
BUILD      ?= build
ASAN_BUILD ?= build-asan
BENCH_BUILD ?= build-bench
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)
DIR        ?= $(BUILD)/assets
ARGS       ?=
PREFIX     ?= /usr/local
DESTDIR    ?=
BENCH_ARGS ?=
FUZZ_SECONDS ?= 60
FUZZ_TARGETS = bitmap palette wave voice
WIN_BUILD  ?= build-windows
WIN_NATIVE  = $(WIN_BUILD)/native

.PHONY: all deps test-deps build game assets play install test test-fast test-asan bench \
        format soak fuzz clean font-atlas deb test-deb windows test-windows web test-web clean-web

all: game

deps:
	@scripts/install-deps

test-deps:
	@scripts/install-deps test

# ---- Playing and installing: a Release build of the library and the game, no tests.
game: deps
	cmake -S . -B $(PLAY_BUILD) -DCMAKE_BUILD_TYPE=Release -DQENT_TESTS=OFF \
	    -DQENT_EXAMPLES=OFF -DCMAKE_INSTALL_PREFIX=$(PREFIX)
	cmake --build $(PLAY_BUILD) -j $(JOBS)

play: game
	cd $(PLAY_BUILD)/assets && ../qent $(ARGS)

# The game under PREFIX/games, its data, desktop entry, icons, man page and metainfo, and
# the library's archive, headers, pkg-config file and CMake package. DESTDIR is honoured.
install: game
	DESTDIR=$(DESTDIR) cmake --install $(PLAY_BUILD)

# dist/qent_<version>_<arch>.deb and dist/libqent-dev_<version>_<arch>.deb, checked.
deb:
	@scripts/install-deps deb
	scripts/make-deb

# The packages installed, played from / and removed; a make install tree checked.
test-deb:
	@scripts/install-deps deb
	tests/packaging/deb.sh

# ---- Developing: tests, examples and warnings as errors.
build: test-deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQENT_WERROR=ON
	cmake --build $(BUILD) -j $(JOBS)
	@ln -sf $(BUILD)/compile_commands.json compile_commands.json  # for editors and linters

# The nine asset files, made by our own generator (DIR=... writes them elsewhere).
assets: build
	$(BUILD)/make_assets $(DIR)

# Every test: unit, scenario, style, consumer and end-to-end, then again under ASan + UBSan.
test: test-fast test-asan

test-fast: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: test-deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DQENT_SANITIZE=ON -DQENT_WERROR=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j $(JOBS) \
	    -E '^(e2e|style|consumer)\.'

bench:
	@scripts/install-deps bench
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DQENT_BENCH=ON -DQENT_TESTS=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target qent_bench
	@# The end-to-end present needs a screen: without one, a virtual one at 1920x1080.
	@if [ -z "$${DISPLAY:-}" ] && command -v xvfb-run >/dev/null 2>&1; then \
	    echo "bench: the end-to-end present runs under Xvfb at 1920x1080"; \
	    xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp" $(BENCH_BUILD)/bench/qent_bench $(BENCH_ARGS); \
	else \
	    $(BENCH_BUILD)/bench/qent_bench $(BENCH_ARGS); \
	fi

# 200,000 frames of random play under AddressSanitizer, invariants checked every frame.
soak: test-deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DQENT_SANITIZE=ON -DQENT_WERROR=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS) --target soak_test make_assets
	cd $(ASAN_BUILD)/tests && QENT_SOAK_FRAMES=200000 ./soak_test

# Each fuzzer for FUZZ_SECONDS (default 60); crash files land in $(FUZZ_BUILD)/crashes/.
fuzz:
	@scripts/install-deps fuzz
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DQENT_FUZZ=ON -DQENT_TESTS=OFF -DQENT_GAME=OFF -DQENT_EXAMPLES=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzzers
	@for t in $(FUZZ_TARGETS); do \
	    mkdir -p $(FUZZ_BUILD)/corpus/$$t $(FUZZ_BUILD)/crashes/$$t; \
	    cp -n fuzz/corpus/$$t/* $(FUZZ_BUILD)/corpus/$$t/; \
	    echo "== $$t for $(FUZZ_SECONDS) s"; \
	    $(FUZZ_BUILD)/fuzz/$${t}_fuzz -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	        -artifact_prefix=$(FUZZ_BUILD)/crashes/$$t/ $(FUZZ_BUILD)/corpus/$$t || exit 1; \
	done

# Remakes the text glyph table from the font (needs libfreetype-dev, libharfbuzz-dev).
font-atlas: build
	cmake --build $(BUILD) --target make_font_atlas
	$(BUILD)/make_font_atlas /usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf \
	    platform/font_atlas.cpp

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
	rm -rf $(PLAY_BUILD) $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD) $(FUZZ_BUILD) $(WIN_BUILD) \
	    $(WIN_NATIVE) build-deb dist build-web build-wasm build-web-tools \
	    build-web-test
