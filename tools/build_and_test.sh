#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks, builds all three programs,
# the developer tool and the tests, and runs every test (the long "deep"
# runs excepted; run them with: (cd build && ctest -L deep)).
# Under emulation (a kernel without 32-bit support) engine32's self-test
# stops after its first pass, which checks all 50 positions; emulated it runs
# about ten times slower than natively.
set -euo pipefail
cd "$(dirname "$0")/.."

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
command -v cmake >/dev/null || missing+=(cmake)
command -v g++ >/dev/null || missing+=(g++)
[ -f /usr/include/gtest/gtest.h ] || missing+=(libgtest-dev)
# The Syzygy tablebase prober of the 64-bit programs.
[ -f /usr/include/tbprobe.h ] || missing+=(libfathom-dev)
probe=$(mktemp -d)
echo 'int main() { return 0; }' > "$probe/p.cpp"
# The 32-bit program needs the 32-bit C++ libraries.
g++ -m32 "$probe/p.cpp" -o "$probe/p32" 2>/dev/null || missing+=(g++-multilib)
# A kernel without 32-bit support runs engine32 in the user-mode emulator.
if [ -x "$probe/p32" ] && ! "$probe/p32" 2>/dev/null; then
  command -v qemu-i386 >/dev/null || missing+=(qemu-user)
elif [ ! -x "$probe/p32" ]; then
  command -v qemu-i386 >/dev/null || missing+=(qemu-user)
fi
rm -rf "$probe"
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  as_root apt-get update
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
fi

jobs=$(nproc)

echo "== Release build: engine32, engine64, engine64-popcnt, engine-tool, tests"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -LE 'deep|selftest' -j"$jobs")

echo "== Unit tests, and the engine over pipes with the protocol fuzz, under AddressSanitizer and UBSan"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELION_SANITIZE=ON -DPELION_ENGINE32=OFF
cmake --build build-asan -j"$jobs" --target unit_tests e2e_tests
(cd build-asan && ctest --output-on-failure -L 'unit|e2e' -j"$jobs")

echo "== Searches with helper threads under ThreadSanitizer"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELION_SANITIZE_THREAD=ON -DPELION_ENGINE32=OFF
cmake --build build-tsan -j"$jobs" --target threads_tsan_tests
# The sanitizer needs a fixed memory layout on kernels with much address
# randomisation; run without it where the system allows.
no_aslr=()
if setarch "$(uname -m)" -R true 2>/dev/null; then no_aslr=(setarch "$(uname -m)" -R); fi
(cd build-tsan && "${no_aslr[@]}" ctest --output-on-failure -L tsan)

echo "== Self-test of the three programs (deterministic node counts, benchmark)"
(cd build && ctest --output-on-failure -V -L selftest -j"$jobs")

echo "== all tests passed"
