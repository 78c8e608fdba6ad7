#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for FUZZ_SECONDS (default 30) on a
# copy of its seed corpus; FUZZ_TARGETS (default: every target) names the ones to run. Where
# clang cannot link libFuzzer, the targets are built as plain sanitized programs that replay
# the seed corpus once. Any crash, leak, hang or sanitizer report ends the script with a
# failure.
set -euo pipefail
cd "$(dirname "$0")/../.."
root="$PWD"
build="${FUZZ_BUILD_DIR:-$root/build-fuzz}"
seconds="${FUZZ_SECONDS:-30}"
jobs="$(nproc)"

# The targets are those the build names, never whatever fuzz_* programs an older build left.
all_targets="$(sed -n 's/^set(tarvik_fuzz_targets \(.*\))$/\1/p' tests/fuzz/CMakeLists.txt)"
targets="${FUZZ_TARGETS:-$all_targets}"
for name in $targets; do
  case " $all_targets " in
    *" $name "*) ;;
    *) echo "fuzz: no target named $name (there are: $all_targets)" >&2; exit 2 ;;
  esac
done

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
# shellcheck disable=SC2086
cmake --build "$build" -j"$jobs" --target $(printf 'fuzz_%s ' $targets)

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
for name in $targets; do
  target="$build/fuzz_$name"
  seeds=("$root/tests/data/fuzz/$name")
  # The import tests' own sources seed the import target too, rather than copies of them.
  [ "$name" = import ] && seeds+=("$root/tests/data/mpasm")
  if [ "$replay" = ON ]; then
    "$target" "${seeds[@]}"
  else
    corpus="$build/corpus/$name"
    mkdir -p "$corpus"
    # libFuzzer would otherwise try nothing longer than the longest seed: allow four times
    # that, and never less than 16 KiB.
    largest="$(find "${seeds[@]}" -type f -printf '%s\n' | sort -n | tail -n 1)"
    max_len=$(( 4 * ${largest:-0} ))
    [ "$max_len" -lt 16384 ] && max_len=16384
    echo "fuzz: $name for ${seconds}s, inputs up to $max_len bytes (largest seed ${largest:-0})"
    # New inputs stay in the build folder; the seeds in the tree are only read.
    "$target" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 \
              -print_final_stats=1 -artifact_prefix="$build/crash-$name-" "$corpus" "${seeds[@]}"
  fi
done
