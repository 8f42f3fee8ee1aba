#!/usr/bin/env bash
# Builds the fuzz targets of fuzz/ with clang and libFuzzer under
# AddressSanitizer and UndefinedBehaviorSanitizer into build-fuzz/, writes the
# seed inputs, replays the kept regression inputs and runs every target for
# the given time.
#
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]
#
# SECONDS_PER_TARGET defaults to 3600; 0 only builds and replays. TARGET is
# a name such as xml_parser (fuzz/fuzz_xml_parser.cpp); all by default.
# The corpus each target grows stays in build-fuzz/corpus/TARGET for the next
# run; a crashing input is written to build-fuzz/artifacts/TARGET/. Exits
# non-zero when any target crashes, leaks, times out or fails a check.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-3600}
shift || true
out="$root/build-fuzz"
mkdir -p "$out"

cxx=${FUZZ_CXX:-clang++}
if ! command -v "$cxx" >/dev/null; then
  echo "fuzz.sh: $cxx not found (scripts/deps.sh installs clang)" >&2
  exit 1
fi

# The core sources as CMakeLists.txt gathers them: every src/**/*.cpp but the
# windows (*_ui.cpp) and the program's main.cpp.
mapfile -t core < <(cd "$root" && find src -name '*.cpp' ! -name '*_ui.cpp' ! -path 'src/main.cpp' | LC_ALL=C sort)
mapfile -t targets_all < <(cd "$root/fuzz" && find . -maxdepth 1 -name 'fuzz_*.cpp' | sed 's|^\./fuzz_||; s|\.cpp$||' | LC_ALL=C sort)
if [ $# -gt 0 ]; then targets=("$@"); else targets=("${targets_all[@]}"); fi
for t in "${targets[@]}"; do
  [ -f "$root/fuzz/fuzz_$t.cpp" ] || { echo "fuzz.sh: no target $t" >&2; exit 2; }
done

# A generated ninja file keeps rebuilds incremental, headers included.
sanitize="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cflags="-std=c++20 -g -O1 -Wall -Wextra -Wpedantic $sanitize -I$root/src $(pkg-config --cflags libzip)"
libs="$(pkg-config --libs libzip)"
{
  echo "cxx = $cxx"
  echo "cflags = $cflags"
  echo "libs = $libs"
  echo "rule cc"
  echo "  command = \$cxx \$cflags \$extra -MMD -MF \$out.d -c \$in -o \$out"
  echo "  depfile = \$out.d"
  echo "  deps = gcc"
  echo "  description = CXX \$in"
  echo "rule link"
  echo "  command = \$cxx \$cflags \$extra \$in -o \$out \$libs"
  echo "  description = LINK \$out"
  objs=()
  for s in "${core[@]}"; do
    o="obj/${s%.cpp}.o"
    objs+=("$o")
    echo "build $o: cc $root/$s"
    echo "  extra = -fsanitize=fuzzer-no-link"
  done
  for t in "${targets_all[@]}"; do
    echo "build obj/fuzz/fuzz_$t.o: cc $root/fuzz/fuzz_$t.cpp"
    echo "  extra = -fsanitize=fuzzer-no-link"
    echo "build fuzz_$t: link obj/fuzz/fuzz_$t.o ${objs[*]}"
    echo "  extra = -fsanitize=fuzzer"
  done
  # The seed writer is an ordinary program over the same objects.
  echo "build obj/fuzz/make_seeds.o: cc $root/fuzz/make_seeds.cpp"
  echo "build make_seeds: link obj/fuzz/make_seeds.o ${objs[*]}"
} >"$out/build.ninja.new"
if ! cmp -s "$out/build.ninja.new" "$out/build.ninja" 2>/dev/null; then
  mv "$out/build.ninja.new" "$out/build.ninja"
else
  rm -f "$out/build.ninja.new"
fi
ninja -C "$out" -j2 make_seeds "${targets[@]/#/fuzz_}"

# Seeds of this run only, so that two runs of different targets side by
# side do not replace each other's.
seeds="$out/seeds-$$"
trap 'rm -rf "$seeds"' EXIT
"$out/make_seeds" "$seeds"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
log="$out/fuzz-log.txt"
failed=()
for t in "${targets[@]}"; do
  bin="$out/fuzz_$t"
  dict=()
  case "$t" in xml_*|book|chapterprep) dict=(-dict="$root/fuzz/xml.dict") ;; esac

  # The inputs of crashes fixed before must stay harmless.
  regressions="$root/fuzz/regressions/$t"
  if [ -d "$regressions" ] && [ -n "$(ls -A "$regressions")" ]; then
    if ! "$bin" -runs=1 "$regressions"/* </dev/null >"$out/replay-$t.txt" 2>&1; then
      echo "fuzz_$t: a regression input fails again (see $out/replay-$t.txt)" >&2
      tail -n 40 "$out/replay-$t.txt" >&2
      failed+=("$t")
      continue
    fi
    echo "fuzz_$t: $(ls "$regressions" | wc -l) regression inputs replayed"
  fi
  [ "$seconds" -gt 0 ] || continue

  corpus="$out/corpus/$t"
  artifacts="$out/artifacts/$t/"
  mkdir -p "$corpus" "$artifacts"
  started=$(date +%s)
  status=0
  # The targets write their small book folders afresh on every input: in
  # memory that costs a twentieth of the disk's time. Extraction stays on
  # disk, since an archive may declare up to 4 GiB.
  scratch=${TMPDIR:-/tmp}
  if [ "$t" != extract ] && [ -z "${FUZZ_KEEP_TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
    scratch=/dev/shm
  fi
  # Entity expansion may cost a document 1 MiB of text and a catalogue may
  # hold 65535 entries, which under the sanitizers on a busy machine take
  # seconds: the time limit only catches work that does not end.
  TMPDIR=$scratch "$bin" "${dict[@]}" -max_total_time="$seconds" -timeout=300 -rss_limit_mb=2560 -max_len=65536 \
    -print_final_stats=1 -artifact_prefix="$artifacts" "$corpus" "$seeds/$t" \
    </dev/null >"$out/run-$t.txt" 2>&1 || status=$?
  ran=$(( $(date +%s) - started ))
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$out/run-$t.txt" | grep -o '[0-9]*$' || echo "?")
  if [ "$status" -eq 0 ]; then
    outcome="clean"
  else
    outcome="FAILED (exit $status; input in $artifacts)"
    failed+=("$t")
    grep -m1 -E '^==[0-9]+==ERROR|runtime error|extraction fault|deadly signal|timeout|out-of-memory' \
      "$out/run-$t.txt" >&2 || true
    tail -n 40 "$out/run-$t.txt" >&2
  fi
  line="$(date -u '+%F %T') fuzz_$t: ${ran}s, ${runs} runs, corpus $(ls "$corpus" | wc -l), $outcome"
  echo "$line" | tee -a "$log"
done

echo "fuzz: $(( ${#targets[@]} - ${#failed[@]} )) passed, ${#failed[@]} failed"
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz.sh: failed: ${failed[*]}" >&2
  exit 1
fi
