#!/usr/bin/env bash
# Builds a fuzzer (clang, libFuzzer, ASan + UBSan) and runs it.
#   tools/fuzz.sh [SECONDS] [TARGET]   default 600 seconds of "settings" (the settings-file
#                                      reader); "startup" fuzzes the command-line and name rules,
#                                      "clipboard" the measure clipboard's record reader.
# Findings land in build/fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
target=${2:-settings}
# clang with its sanitizer and libFuzzer runtime; the unversioned packages always match each other.
tools/setup.sh clang libclang-rt-dev
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "${target}_fuzzer"
corpus=build/fuzz/corpus
[ "$target" = settings ] || corpus=build/fuzz/corpus-$target
mkdir -p "$corpus" build/fuzz/findings
if [ "$target" = settings ]; then
    # The seeds are kept as hex text; the fuzzer's corpus grows from them.
    for seed in tests/fuzz/seeds/*.hex; do
        python3 -c "import sys; open(sys.argv[2], 'wb').write(bytes.fromhex(open(sys.argv[1]).read()))" \
            "$seed" "$corpus/$(basename "$seed" .hex)"
    done
fi
build/fuzz/bin/${target}_fuzzer "$corpus" -max_total_time="$seconds" -max_len=4096 \
    -artifact_prefix=build/fuzz/findings/ -print_final_stats=1
