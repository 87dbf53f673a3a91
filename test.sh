#!/usr/bin/env bash
# Installs what is missing, builds everything with warnings as errors, and runs every test:
# the whole suite (the windows on Qt's offscreen platform), then the extraction tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer, the run control's tests under ThreadSanitizer,
# the core without the windows, the fuzz targets for a bounded time, then the format check.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
vz_install_packages "${VZ_BUILD_PACKAGES[@]}" "${VZ_TEST_PACKAGES[@]}"

jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVZ_WERROR=ON -DVZ_BUILD_BENCH=ON >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVZ_WERROR=ON -DVZ_SANITIZE=ON \
      -DVZ_BUILD_BENCH=OFF >/dev/null
cmake --build build-sanitize -j "$jobs" --target vz_extract_tests
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-sanitize --output-on-failure -j "$jobs" -L extract

# The run goes on in a thread of its own: its control and the hand-over to the window thread must
# be free of data races. Qt is not built for ThreadSanitizer, so this build leaves the windows out.
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVZ_WERROR=ON -DVZ_TSAN=ON -DVZ_GUI=OFF \
      -DVZ_BUILD_BENCH=OFF >/dev/null
cmake --build build-tsan -j "$jobs" --target vz_session_tests
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 ctest --test-dir build-tsan --output-on-failure -j "$jobs" -L session

# Without the windows the headless program and every core test still build and pass.
cmake -S . -B build-nogui -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVZ_WERROR=ON -DVZ_GUI=OFF \
      -DVZ_BUILD_BENCH=OFF >/dev/null
cmake --build build-nogui -j "$jobs"
# The browser test reads the same pages as above, and the books of the end-to-end cases are the
# same books; once is enough.
ctest --test-dir build-nogui --output-on-failure -j "$jobs" -LE "browser|epub"
if grep -rl --include='*.h' --include='*.cpp' -E '#include <Q' src/platform src/run src/extract src/gather src/session src/edit src/cli; then
    echo "Qt is included outside src/ui" >&2
    exit 1
fi

# The fuzz targets, each for half a minute, two at a time; a crash or a hang fails. Warnings
# are left to the build above: this one is for finding crashes.
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DVZ_FUZZ=ON \
      -DVZ_GUI=OFF -DVZ_BUILD_TESTS=OFF -DVZ_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j "$jobs"
scripts/fuzz.sh build-fuzz 30

files=$(git ls-files '*.cpp' '*.h' 2>/dev/null || find src tests bench tools fuzz -name '*.cpp' -o -name '*.h')
clang-format --dry-run -Werror $files
echo "All tests passed."
