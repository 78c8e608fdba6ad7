#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for FUZZ_SECONDS (default 30) on a
# copy of its seed corpus. Where clang cannot link libFuzzer, the targets are built as plain
# sanitized programs that replay the seed corpus once. Any crash, leak, hang or sanitizer
# report ends the script with a failure.
set -euo pipefail
cd "$(dirname "$0")/../.."
root="$PWD"
build="${FUZZ_BUILD_DIR:-$root/build-fuzz}"
seconds="${FUZZ_SECONDS:-30}"
jobs="$(nproc)"

replay=OFF
probe="$(mktemp -d)"
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' > "$probe/p.cpp"
if ! clang++ -fsanitize=fuzzer,address,undefined "$probe/p.cpp" -o "$probe/p" > /dev/null 2>&1; then
  echo "fuzz: clang cannot link libFuzzer here; replaying the seed corpora instead"
  replay=ON
fi
rm -rf "$probe"

compiler=clang++
[ "$replay" = ON ] && ! command -v clang++ > /dev/null && compiler=g++
cmake -S tests/fuzz -B "$build" -DCMAKE_CXX_COMPILER="$compiler" -DTARVIK_FUZZ_REPLAY="$replay" \
      -DCMAKE_BUILD_TYPE=Debug > /dev/null
cmake --build "$build" -j"$jobs"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
for target in "$build"/fuzz_*; do
  name="${target##*/fuzz_}"
  seeds=("$root/tests/data/fuzz/$name")
  # The import tests' own sources seed the import target too, rather than copies of them.
  [ "$name" = import ] && seeds+=("$root/tests/data/mpasm")
  if [ "$replay" = ON ]; then
    "$target" "${seeds[@]}"
  else
    corpus="$build/corpus/$name"
    mkdir -p "$corpus"
    # New inputs stay in the build folder; the seeds in the tree are only read.
    "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
              -artifact_prefix="$build/crash-$name-" "$corpus" "${seeds[@]}"
  fi
done
