#!/bin/bash
# Fuzzes the PNG loader for SECONDS seconds (120 by default), then the sound
# loader for SOUND_SECONDS (60 by default), with libFuzzer, AddressSanitizer
# and UndefinedBehaviorSanitizer: installs what is missing, builds
# build-fuzz/ with clang, writes the seed corpora, replays the regression
# inputs, then fuzzes. Exits non-zero on any finding (a crash, a sanitizer
# report, a leak, an input above 512 MB); the input that caused it is kept in
# build-fuzz/artifacts/.
#
#   bash tools/fuzz.sh [SECONDS [SOUND_SECONDS]]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-120}
sound_seconds=${2:-60}
for value in "$seconds" "$sound_seconds"; do
    if [[ ! "$value" =~ ^[0-9]+$ ]] || ((value == 0)); then
        echo "usage: $0 [SECONDS [SOUND_SECONDS]]" >&2
        exit 2
    fi
done

build="$root/build-fuzz"
artifacts="$build/artifacts"
# Memory blow-ups count as findings: a fuzzing process, or a single
# allocation, above this many megabytes.
memory_limit_mb=512

bash "$root/tools/install-deps.sh"
bash "$root/tools/install-deps.sh" clang make zlib1g-dev
clang_major=$(clang --version | sed -n 's/.*clang version \([0-9]*\).*/\1/p' | head -n 1)
if [[ -z "$clang_major" ]]; then
    echo "fuzz.sh: cannot tell clang's version" >&2
    exit 1
fi
# libFuzzer's runtime, and llvm-symbolizer for readable stack traces.
bash "$root/tools/install-deps.sh" "libclang-rt-$clang_major-dev" "llvm-$clang_major"
if [[ ! -e "$(clang -print-resource-dir)/lib/linux/libclang_rt.fuzzer-x86_64.a" ]]; then
    echo "fuzz.sh: clang $clang_major has no libFuzzer runtime" >&2
    exit 1
fi
export PATH="/usr/lib/llvm-$clang_major/bin:$PATH"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"
# AddressSanitizer keeps 256 MB of freed memory by default, which over a long
# run leaves too little room under the limit for a 16-megapixel picture.
export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=32}"

cc=clang
cxx=clang++
if command -v "clang-$clang_major" >/dev/null && command -v "clang++-$clang_major" >/dev/null; then
    cc="clang-$clang_major"
    cxx="clang++-$clang_major"
fi
cmake -S "$root/tests/fuzz" -B "$build" -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" \
    >/dev/null
cmake --build "$build" --parallel "$(nproc)"

limits=("-rss_limit_mb=$memory_limit_mb" "-malloc_limit_mb=$memory_limit_mb")
mkdir -p "$artifacts"

# Replays the inputs of earlier faults (each must load, or be refused,
# within the limits), then fuzzes one target from its seeds for a while.
# One fuzzing process per core, each a series of short-lived jobs: a fresh
# process keeps the sanitizers' own slowly growing memory from counting
# against the limit. Any crash, timeout or memory blow-up stops the run.
# New inputs go into the corpus directory, kept between runs; the loaders'
# libraries' own messages (stderr) are dropped, the fuzzer's and the
# sanitizers' are not.
#
# Leaks are still caught input by input; the leak check at each job's exit
# walks the whole heap and took a job from 300 MB to 740 MB, past the limit,
# and once never returned. Jobs end within 5 minutes of the deadline, so a
# run still going long after it has hung and is stopped.
fuzz_target() {  # target seconds seeds corpus dictionary max_len regressions
    local target=$1 seconds=$2 seeds=$3 corpus=$4 dict=$5 max_len=$6 regressions=$7
    local log="$build/$target.log"
    mkdir -p "$corpus"

    shopt -s nullglob
    echo "Replaying the regression inputs of $target"
    for input in "$regressions"/*; do
        local status=0 output peak
        output=$("$build/$target" "${limits[@]}" -print_final_stats=1 "$input" 2>&1 </dev/null) ||
            status=$?
        peak=$(sed -n 's/^stat::peak_rss_mb: *//p' <<<"$output")
        if ((status != 0)) || [[ -z "$peak" ]] || ((peak > memory_limit_mb)); then
            printf '%s\n' "$output" | tail -n 40
            echo "FAILED: $(basename "$input") (exit $status, peak ${peak:-?} MB)" >&2
            exit 1
        fi
        echo "  $(basename "$input"): ok, peak $peak MB"
    done

    local marker="$build/.fuzz-start"
    touch "$marker"
    # Anything a process leaves in its working directory stays in build-fuzz/.
    cd "$build"
    local started=$SECONDS status=0
    ASAN_OPTIONS="$ASAN_OPTIONS:leak_check_at_exit=0" \
        timeout --kill-after=30 "$((seconds + 420))" \
        "$build/$target" "$corpus" "$seeds" "${limits[@]}" -fork="$(nproc)" -ignore_crashes=0 \
        -ignore_ooms=0 -ignore_timeouts=0 -max_total_time="$seconds" -timeout=60 -max_len="$max_len" \
        -dict="$dict" -artifact_prefix="$artifacts/$target-" -close_fd_mask=2 \
        </dev/null 2>&1 | tee "$log" || status=${PIPESTATUS[0]}
    local elapsed=$((SECONDS - started))

    # A slow input is written out too, but only a timeout fails the run.
    local findings slow last runs
    findings=$(find "$artifacts" -type f -newer "$marker" ! -name '*slow-unit-*' | sort)
    slow=$(find "$artifacts" -type f -newer "$marker" -name '*slow-unit-*' | wc -l)
    # The last progress line: "#RUNS: cov: N ft: N corp: N exec/s N ...".
    last=$(grep -E '^#[0-9]+: cov: ' "$log" | tail -n 1 || true)
    field() { sed -n "s/.* $1: \([0-9]*\).*/\1/p" <<<"$last"; }
    runs=$(sed -n 's/^#\([0-9]*\):.*/\1/p' <<<"$last")
    echo
    echo "Fuzzing summary of $target ($seconds s asked, $elapsed s taken, $(nproc) processes)"
    echo "  executions: ${runs:-0} ($(( ${runs:-0} / (elapsed > 0 ? elapsed : 1) ))/s)"
    echo "  coverage:   cov $(field cov), ft $(field ft)"
    echo "  corpus:     $(field corp) inputs in use, $(find "$corpus" -type f | wc -l) files in" \
        "${corpus#"$root"/}"
    echo "  slow:       $slow inputs above 10 s"
    if ((status == 124 || status == 137)); then
        echo "  findings:   the fuzzer hung and was stopped; ${findings:-no artifact written}"
        exit 1
    fi
    if ((status != 0)) || [[ -n "$findings" ]]; then
        echo "  findings:   exit $status; ${findings:-no artifact written}"
        exit 1
    fi
    echo "  findings:   none"
}

# PNG: seeds are remade each run; the pictures get the selector byte the
# fuzz target reads last, once for each direct-colour format. -max_len leaves
# room for the game's largest picture.
seeds="$build/seeds"
rm -rf "$seeds"
mkdir -p "$seeds"
"$build/make_seeds" "$seeds"
for picture in "$root"/assets/*.png; do
    for selector in 0 1 2 3; do
        { cat "$picture"; printf '%b' "\\$selector"; } >"$seeds/$(basename "$picture" .png).$selector"
    done
done
fuzz_target fuzz_png "$seconds" "$seeds" "$build/corpus" "$root/tests/fuzz/png.dict" 131072 \
    "$root/tests/fuzz/regressions"

# Sound: generated tones and the committed sounds, with the selector byte
# (0: Ogg checksums repaired). -max_len takes the largest of them whole.
seeds="$build/sound-seeds"
rm -rf "$seeds"
mkdir -p "$seeds"
"$build/make_sound_seeds" "$seeds"
for sound in "$root"/assets/*.wav "$root"/examples/showcase/*.wav "$root"/examples/showcase/*.ogg; do
    { cat "$sound"; printf '\0'; } >"$seeds/$(basename "$sound")"
done
fuzz_target fuzz_sound "$sound_seconds" "$seeds" "$build/sound-corpus" "$root/tests/fuzz/sound.dict" \
    262144 "$root/tests/fuzz/sound-regressions"
