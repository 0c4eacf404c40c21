#!/usr/bin/env bash
# A program outside this tree builds on the library as a user's would: the library installed
# into a scratch prefix, one example built through pkg-config, through find_package(Qent) and
# through add_subdirectory of the checkout, each run headless, none holding the duck game.
#   consumer.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source_dir=$(realpath "${1:?the source folder}")
build_dir=$(realpath "${2:?the build folder}")
work=$(mktemp -d "${TMPDIR:-/tmp}/qent-consumer.XXXXXX")
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
example="$source_dir/examples/fade.cpp"

fail() { echo "FAIL: $*" >&2; exit 1; }

# What the duck game defines; a program on the library must hold none of it.
check_clean() {
    local binary=$1 found
    found=$(nm -C "$binary" | grep -E ' (GameStartup|GameFrame|GameTeardown|GameCheckAssets|PlayIntroFrame|CrosshairOverDuck|AdvanceDeadDuck)\(' || true)
    [ -z "$found" ] || fail "$binary holds the duck game's routines:"$'\n'"$found"
}

run_headless() {
    local binary=$1 out
    out=$(timeout 60 "$binary" --headless 2>&1) || fail "$binary --headless failed: $out"
}

cmake --install "$build_dir" --prefix "$prefix" --component Development >/dev/null
[ -f "$prefix/include/qent/qent.h" ] || fail "no qent/qent.h installed"
check_clean "$(find "$prefix" -name libqent.a | head -1)"

# pkg-config, plain and static
pc_dir=$(dirname "$(find "$prefix" -name qent.pc | head -1)")
export PKG_CONFIG_PATH="$pc_dir"
g++ -std=c++20 -o "$work/fade-pc" "$example" $(pkg-config --cflags --libs qent)
run_headless "$work/fade-pc"
check_clean "$work/fade-pc"
g++ -std=c++20 -o "$work/fade-pc-static" "$example" $(pkg-config --static --cflags --libs qent)
run_headless "$work/fade-pc-static"
echo "pkg-config: built, ran headless, no duck symbols"

# A moved prefix still answers: the pkg-config file finds its prefix from where it lies.
mv "$prefix" "$work/moved"
PKG_CONFIG_PATH="${pc_dir/$prefix/$work/moved}" pkg-config --cflags qent | grep -q "$work/moved" ||
    fail "the moved prefix's qent.pc does not point at the moved tree"
mv "$work/moved" "$prefix"

# find_package(Qent)
mkdir -p "$work/cmake-consumer"
cat > "$work/cmake-consumer/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.22)
project(consumer CXX)
set(CMAKE_CXX_STANDARD 20)
find_package(Qent 1.1 REQUIRED)
add_executable(fade $example)
target_link_libraries(fade PRIVATE Qent::qent)
CMAKE
cmake -S "$work/cmake-consumer" -B "$work/cmake-build" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cmake-build" >/dev/null
run_headless "$work/cmake-build/fade"
check_clean "$work/cmake-build/fade"
echo "find_package: built, ran headless, no duck symbols"

# add_subdirectory of the checkout: the library and the shell, not the game
mkdir -p "$work/sub-consumer"
cat > "$work/sub-consumer/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.22)
project(consumer CXX)
set(CMAKE_CXX_STANDARD 20)
add_subdirectory($source_dir qent)
add_executable(fade $example)
target_link_libraries(fade PRIVATE Qent::qent)
CMAKE
cmake -S "$work/sub-consumer" -B "$work/sub-build" -DCMAKE_BUILD_TYPE=Release >/dev/null
for target in qent make_assets qent_duck; do
    if cmake --build "$work/sub-build" --target help | grep -qx "\.\.\. $target"; then
        fail "add_subdirectory brings in the duck game's target $target"
    fi
done
cmake --build "$work/sub-build" --target fade -j 2 >/dev/null
run_headless "$work/sub-build/fade"
check_clean "$work/sub-build/fade"
echo "add_subdirectory: only the library and the shell, built, ran headless"
